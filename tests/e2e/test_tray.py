"""Hiding instead of closing, the tray callbacks, the tray menu and Exit."""

import datetime
import re
import unittest

import vespera_e2e as e2e
from base import SessionTest
from test_faults import tray_seen
from test_firing import arm

WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK = 513, 514, 515
WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK = 516, 517, 518
NIM_ADD, NIM_MODIFY, NIM_DELETE, NIM_SETVERSION = 0, 1, 2, 4
HOUR = datetime.timedelta(hours=1)


def local_time(clock):
    """The driver's local time stamp as a datetime."""
    return datetime.datetime.strptime(clock["local"], "%Y-%m-%d %H:%M:%S.%f")


class HideAndRestore(SessionTest):
    def hidden(self):
        return self.drv("waitgone", "frmMain", e2e.LIMIT_MS)

    def assert_running_with_icon(self):
        self.assertTrue(self.drv("alive")["running"], "the program ended")
        deletes = [c for c in self.session.tray_calls() if c.int_arg(0) == NIM_DELETE]
        self.assertEqual(deletes, [], "the tray icon was removed")

    def test_close_request_hides_and_double_click_restores_settings(self):
        self.show_main()
        self.assertOk(self.drv("select", "cmbAction", "=注销"))
        self.assertOk(self.drv("click", "chkForce", "send"))
        for how in ["", "sc"]:
            with self.subTest(close=how or "WM_CLOSE"):
                self.show_main()
                self.drv("close", "frmMain", how) if how else self.drv("close", "frmMain")
                self.assertOk(self.hidden(), "window still visible after the close request")
                self.assertTrue(self.hidden()["exists"], "the window was destroyed")
                self.assert_running_with_icon()
                self.drv("tray", WM_LBUTTONDBLCLK)
                self.assertOk(self.drv("wait", "frmMain", e2e.LIMIT_MS, "visible"), "no restore")
                c = self.session.controls()
                self.assertEqual(c["cmbAction"]["selected"], 2)
                self.assertEqual(c["chkForce"]["check"], 0)
        self.drv("select", "cmbAction", 0)
        self.drv("click", "chkForce", "send")

    def test_escape_in_warning_seconds_hides(self):
        self.show_main()
        self.assertOk(self.drv("key", "txtBlink", "esc"))
        self.assertOk(self.hidden(), "Escape in txtBlink did not hide the window")
        self.assert_running_with_icon()
        self.assertEqual(self.session.text("txtBlink"), "30")
        self.show_main()

    def test_other_tray_notifications_do_nothing(self):
        self.show_main()
        self.drv("close", "frmMain")
        self.assertOk(self.hidden())
        for code in [512, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, 519]:
            self.drv("tray", code)
        popups = lambda: [w for w in self.drv("allwindows")["windows"] if w["class"] == "#32768"]
        self.assertEqual(popups(), [], "a notification other than the right click opened a menu")
        # Notes are handled in order: once the menu of a right click sent
        # after them has opened (and been closed), all of them have run.
        self.assertOk(self.drv("traymenu"), "tray menu after the other notifications")
        self.assertFalse(self.drv("wait", "frmMain", 300, "visible").get("ok"),
                         "a notification other than the double-click showed the window")
        self.wait_for(lambda: popups() == [], f"a menu stays open: {popups()}")
        self.show_main()

    def test_tray_menu_opens_after_foreground(self):
        pid = self.session.vespera_pid
        funcs = ["AppendMenuW", "AppendMenuA", "SetForegroundWindow", "TrackPopupMenu",
                 "TrackPopupMenuEx"]
        earlier = len(self.session.relay(pid, funcs))
        r = self.assertOk(self.drv("traymenu"), "tray menu")
        if r["readable"]:
            self.assertEqual(r["items"], ["退出(&X)", "-", "关于(&A)"])
        calls = []

        def tracked():
            calls[:] = self.session.relay(pid, funcs)
            return any(c.func.startswith("TrackPopupMenu") for c in calls[earlier:])

        self.wait_for(tracked, "no TrackPopupMenu call in the relay log")
        main = self.session.main["hwnd"]
        track = [c for c in calls[earlier:] if c.func.startswith("TrackPopupMenu")]
        self.assertEqual(len(track), 1, calls)
        menu = track[0].int_arg(0)
        # Exit, a separator (MF_SEPARATOR 0x800), About: captions are read by picking them.
        appended = [(c.int_arg(1) & 0x800, c.int_arg(2)) for c in calls
                    if c.func.startswith("AppendMenu") and c.int_arg(0) == menu]
        self.assertEqual([kind for kind, _ in appended], [0, 0x800, 0], calls)
        before = calls[:calls.index(track[0])]
        self.assertTrue(before and before[-1].func == "SetForegroundWindow"
                        and before[-1].int_arg(0) == main,
                        f"SetForegroundWindow(main) must come right before the menu: {calls}")
        self.assertTrue(self.drv("alive")["running"])
        self.assertFalse(self.drv("wait", "frmAbout", 300, "visible").get("ok"))

class ExitFromTrayMenu(SessionTest):
    def test_exit_while_armed_removes_icon_and_ends_without_action(self):
        self.assertOk(self.drv("click", "cmdTimer", "send"))
        self.assertEqual(self.session.text("cmdTimer"), "禁止定时器(&D)")
        self.drv("close", "frmMain")
        self.assertOk(self.drv("waitgone", "frmMain", e2e.LIMIT_MS))
        r = self.assertOk(self.drv("traymenu", "退出(&X)"), "choosing Exit")
        self.assertTrue(self.session.wait_ended(e2e.LIMIT), "the program did not end after Exit")
        tray = [c.int_arg(0) for c in self.session.tray_calls()]
        self.assertEqual(tray[0], 0, tray)
        self.assertEqual(tray[-1], NIM_DELETE, f"tray calls {tray}: the icon was not removed last")
        actions = self.session.relay(self.session.vespera_pid,
                                     ["ExitWindowsEx", "SetSuspendState", "LockWorkStation"])
        self.assertEqual(actions, [], "Exit performed the armed action")


class TipOnEveryCodePage(unittest.TestCase):
    """On the NT platform the tip goes to the shell in its wide form: at code
    pages 936, 950, 1252 and 65001 (a locale without an ANSI code page, as on
    Windows 10/11 with UTF-8 for worldwide language support) the stand-in
    tray reads the same Chinese tips. Windows 98 keeps the ANSI call."""

    def test_the_same_chinese_tip(self):
        for version, lang, acp in [("winxp", "zh_CN.UTF-8", 936), ("win7", "zh_TW.UTF-8", 950),
                                   ("win10", "en_US.UTF-8", 1252), ("winxp", "hi_IN.UTF-8", 65001),
                                   ("win98", "zh_CN.UTF-8", 936)]:
            with self.subTest(version=version, lang=lang):
                s = e2e.Session(e2e.context(), version, "tip", lang=lang).start()
                try:
                    self.assertEqual(s.driver("clock")["acp"], acp)
                    self.assertTrue(s.driver("shell", "restart").get("first"), "the stand-in tray is not first")
                    self.assertEqual(tray_seen(s, 2), [(NIM_ADD, "没设置动作", True), (NIM_SETVERSION, "", True)])
                    earliest = local_time(s.driver("clock")) + HOUR
                    arm(self, s, "重新启动", True, 1, "时")
                    latest = local_time(s.driver("clock")) + HOUR
                    armed = tray_seen(s, 3)[2:]
                    adds = {c.func for c in s.tray_calls() if c.int_arg(0) == NIM_ADD}
                finally:
                    s.stop()
                self.assertEqual([(m, ok) for m, _, ok in armed], [(NIM_MODIFY, True)], armed)
                self.assertEqual(adds, {"Shell_NotifyIconA" if version == "win98" else "Shell_NotifyIconW"})
                tip = armed[0][1]
                self.assertRegex(tip, r"^程序将要在\S.*执行重新启动$")
                if acp == 65001:
                    # hi-IN's regional formats: short date d/M/yyyy, long time
                    # h:mm:ss tt (left out at midnight).
                    m = re.fullmatch(r"程序将要在(\d{1,2}/\d{1,2}/\d{4})( \d{1,2}:\d\d:\d\d [ap]m)?执行重新启动", tip)
                    self.assertTrue(m, tip)
                    deadline = datetime.datetime.strptime(m[1] + (m[2] or " 12:00:00 am"), "%d/%m/%Y %I:%M:%S %p")
                    self.assertTrue(earliest.replace(microsecond=0) <= deadline <= latest, (earliest, deadline, latest))


if __name__ == "__main__":
    unittest.main()
