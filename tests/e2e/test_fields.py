"""Typing and spinning in the numeric fields, the mode switch, and arming
and disarming with the settings locked in between."""

import os
import re
import signal
import threading
import time
import unittest

from base import SessionTest


class NumericFields(SessionTest):
    def setUp(self):
        self.show_main()

    def type_at_end(self, name, chars):
        self.assertOk(self.drv("focus", name), f"focus {name}")
        self.drv("setsel", name, 100, 100)
        return self.assertOk(self.drv("type", name, chars), f"typing into {name}")["text"]

    def type_over(self, name, chars):
        self.assertOk(self.drv("focus", name), f"focus {name}")
        self.drv("setsel", name, 0, -1)
        return self.assertOk(self.drv("type", name, chars), f"typing into {name}")["text"]

    def spin(self, name, direction, count=1):
        self.assertOk(self.drv("scroll", name, direction, count))

    def run_steps(self, steps):
        """Each step of a field table: "end" or "over" types its text at the
        end of or over the box's text, "up" or "down" spins that many times,
        "key" presses a key; then the box (the spin's own) must read `want`."""
        do = {"end": self.type_at_end, "over": self.type_over, "key": lambda name, key: self.drv("key", name, key)}
        for i, (label, kind, name, arg, want) in enumerate(steps):
            with self.subTest(step=i, label=label):
                do.get(kind, lambda name, count: self.spin(name, kind, count))(name, arg)
                self.assertEqual(self.session.wait_text(name.replace("vs", "txt", 1), want), want)

    def test_clock_fields(self):
        self.assertOk(self.drv("click", "opt(1)", "send"))
        c = self.session.controls()
        for name in ["txtHour", "vsHour", "txtMin", "vsMin", "cmbT"]:
            self.assertTrue(c[name]["enabled"], f"{name} not enabled in clock-time mode")
        for name in ["txtPeriod", "vsPeriod", "cmbUnit"]:
            self.assertFalse(c[name]["enabled"], f"{name} still enabled in clock-time mode")
        cases = [
            # hour "1": a 9 after it clamps to 12; the spin stops at the top
            ("txtHour", "end", "txtHour", "9", "12"),
            ("vsHour up at 12", "up", "vsHour", 1, "12"),
            ("vsHour down", "down", "vsHour", 2, "10"),
            # letters, Backspace and Enter are discarded
            ("txtHour letters", "end", "txtHour", "a", "10"),
            ("txtHour backspace", "key", "txtHour", "backspace", "10"),
            ("txtHour zero over all", "over", "txtHour", "0", "1"),
            # minute: 0 is the bottom
            ("vsMin down at 00", "down", "vsMin", 1, "00"),
            ("vsMin up", "up", "vsMin", 1, "01"),
            ("vsMin up to 10", "up", "vsMin", 9, "10"),
            ("vsMin down to 09", "down", "vsMin", 1, "09"),
            # a digit equal to the current minute stays as typed
            ("txtMin 9 over 09", "over", "txtMin", "9", "9"),
            ("txtMin 99", "end", "txtMin", "9", "59"),
            ("vsMin up at 59", "up", "vsMin", 1, "59"),
            ("txtMin 5", "over", "txtMin", "5", "05"),
        ]
        self.run_steps(cases)
        self.assertOk(self.drv("click", "opt(0)", "send"))
        c = self.session.controls()
        self.assertEqual((c["txtHour"]["text"], c["txtMin"]["text"]), ("1", "05"),
                         "switching back lost the clock fields")
        self.assertFalse(c["txtHour"]["enabled"])
        self.assertTrue(c["txtPeriod"]["enabled"])

    def test_delay_and_warning_fields(self):
        cases = [
            ("txtPeriod", "up", "vsPeriod", 1, "2"),
            ("txtPeriod", "down", "vsPeriod", 3, "1"),
            ("txtPeriod", "end", "txtPeriod", "2x", "12"),
            ("txtPeriod", "end", "txtPeriod", "34", "123"),
            ("txtPeriod", "over", "txtPeriod", "0", "1"),
            ("txtPeriod", "over", "txtPeriod", "999", "999"),
            ("txtPeriod", "up", "vsPeriod", 1, "999"),
            ("txtPeriod", "over", "txtPeriod", "1", "1"),
            ("txtBlink", "up", "vsBlink", 1, "31"),
            ("txtBlink", "over", "txtBlink", "0", "1"),
            ("txtBlink", "over", "txtBlink", "3", "3"),
            ("txtBlink", "end", "txtBlink", "0", "30"),
        ]
        self.run_steps(cases)

    def test_typed_digits_stay_in_order(self):
        # Real key strokes: each digit's rewrite of the box keeps the caret
        # where the typing left it.
        self.assertOk(self.drv("focus", "chkBlink"))
        self.assertOk(self.drv("key", "-", "tab"))  # into the warning field, its text selected
        self.assertOk(self.drv("type", "txtBlink", "12"))
        self.assertEqual(self.session.text("txtBlink"), "12")
        for chars, want in [("25", "25"), ("30", "30"), ("120", "120")]:
            with self.subTest(typed=chars):
                self.assertEqual(self.type_over("txtPeriod", chars), want)
        self.drv("setsel", "txtPeriod", 1, 1)
        self.assertOk(self.drv("key", "txtPeriod", "delete"))
        self.assertEqual(self.session.text("txtPeriod"), "10")
        self.assertOk(self.drv("type", "txtPeriod", "5"))
        self.assertEqual(self.session.text("txtPeriod"), "150")

    def test_typing_into_each_field(self):
        # Real key presses, one at a time, into the focused field: a selection
        # (0, -1 is all), keys ("delete" or one digit each), what it then shows.
        for mode, field, rows in [
                ("opt(1)", "txtHour", [(0, -1, "12", "12")]),
                ("opt(1)", "txtMin", [(0, -1, "30", "30"), (0, -1, "45", "45"), (0, -1, "05", "05"),
                                      (0, -1, "59", "59"), (0, -1, "75", "59"), (0, 0, ["delete"], "09"),
                                      (1, 2, "7", "07")]),
                ("opt(0)", "txtPeriod", [(0, -1, "25", "25"), (1, 2, "0", "20"), (0, 0, ["delete"], "1")]),
                ("opt(0)", "txtBlink", [(0, -1, "12", "12")])]:
            self.assertOk(self.drv("click", mode, "send"))
            for start, end, keys, want in rows:
                with self.subTest(field=field, selection=(start, end), keys=keys):
                    self.assertOk(self.drv("focus", field), f"focus {field}")
                    self.assertOk(self.drv("setsel", field, start, end))
                    for key in keys:
                        self.assertOk(self.drv("key" if key == "delete" else "type", field, key))
                    self.assertEqual(self.session.text(field), want)

    def test_held_up_program_is_answered_once_it_took_the_key(self):
        # Stopped for a while, as a loaded machine may hold it up: the key's
        # answer comes once the program has handled it, not after a fixed time.
        self.type_over("txtBlink", "30")
        self.drv("setsel", "txtBlink", 0, -1)
        stopped = self.session.unix_processes()
        for pid in stopped:
            os.kill(pid, signal.SIGSTOP)
        resume = threading.Timer(2, lambda: [os.kill(pid, signal.SIGCONT) for pid in stopped])
        resume.start()
        try:
            self.assertOk(self.drv("key", "-", "2"), "a key while the program is stopped")
            self.assertEqual(self.session.text("txtBlink"), "2", "answered before the key was handled")
        finally:
            resume.join()
        self.type_over("txtBlink", "30")

    def test_real_clicks_on_spin_arrows(self):
        self.type_over("txtPeriod", "5")
        # On a busy machine the first real click of a fresh Wine desktop can be
        # swallowed by the desktop; spend it on a label that has no handler.
        self.assertOk(self.drv("click", "lbl(1)", "mouse"))
        for direction, want in [("up", "6"), ("up", "7"), ("down", "6")]:
            with self.subTest(direction=direction, want=want):
                # The driver queues press and release together, so the
                # arrow's auto-repeat never runs, however late they are handled.
                self.assertOk(self.drv("scroll", "vsPeriod", direction, 1, "mouse"))
                self.assertEqual(self.session.wait_text("txtPeriod", want), want)

    def test_warning_switch(self):
        before = self.session.text("txtBlink")
        self.assertOk(self.drv("click", "chkBlink", "send"))
        c = self.session.controls()
        self.assertEqual(c["chkBlink"]["check"], 0)
        self.assertFalse(c["txtBlink"]["enabled"] or c["vsBlink"]["enabled"])
        self.assertEqual(c["txtBlink"]["text"], before)
        self.assertOk(self.drv("click", "chkBlink", "send"))
        c = self.session.controls()
        self.assertTrue(c["txtBlink"]["enabled"] and c["vsBlink"]["enabled"])


class ArmAndDisarm(SessionTest):
    def test_arm_locks_settings_and_counts_down_then_disarm(self):
        self.assertOk(self.drv("focus", "cmdTimer"))
        self.assertOk(self.drv("key", "-", "alt+e"), "Alt+E")
        self.assertEqual(self.session.wait_text("cmdTimer", "禁止定时器(&D)"), "禁止定时器(&D)",
                         "Alt+E did not arm")
        armed = self.session.controls()
        self.assertFalse(armed["frame"]["enabled"])
        for name in ["cmbAction", "txtPeriod", "chkForce", "txtBlink"]:
            self.assertFalse(armed[name]["effective_enabled"], f"{name} takes input while armed")
        self.assertTrue(armed["cmdTimer"]["effective_enabled"])
        counting = lambda: re.fullmatch(r"(-?\d+) 秒后执行", self.session.text("lblStatus"))
        m = self.wait_for(counting, f"no count-down in the status line: {self.session.text('lblStatus')!r}")
        status = m[0]
        self.assertTrue(3590 <= int(m[1]) <= 3600, status)
        tray = [c.int_arg(0) for c in self.session.tray_calls()]
        self.assertEqual(tray, [0, 4, 1], "arming should modify the tray icon once")

        self.assertOk(self.drv("click", "cmdTimer", "send"))
        self.assertEqual(self.session.wait_text("cmdTimer", "激活定时器(&E)"), "激活定时器(&E)")
        idle = self.session.controls()
        self.assertEqual(idle["lblStatus"]["text"], "定时器禁止")
        self.assertTrue(idle["frame"]["enabled"])
        self.assertTrue(idle["cmbAction"]["effective_enabled"])
        time.sleep(1.2)  # real time for ticks that must not come
        self.assertEqual(self.session.text("lblStatus"), "定时器禁止", "ticks went on after disarming")
        tray = [c.int_arg(0) for c in self.session.tray_calls()]
        self.assertEqual(tray, [0, 4, 1, 1])
        self.assertTrue(self.drv("alive")["running"])


if __name__ == "__main__":
    unittest.main()
