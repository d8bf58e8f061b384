"""Start-up: the main window as designed, the tray add, the single instance,
and the lock entry per Windows version."""

import unittest

import vespera_e2e as e2e
from base import SessionTest, new_session

WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_THICKFRAME = 0x00040000
WS_EX_APPWINDOW = 0x00040000

ACTIONS = ["关机", "重新启动", "注销", "挂起", "睡眠"]
LOCK = "锁定计算机"

# name: (text, enabled, extra checks)
DESIGN = {
    "cmdTimer": ("激活定时(&E)", True, {}),
    "frame": (" 设置", True, {}),
    "pic": (None, True, {}),
    "opt(0)": ("之内", True, {"check": 1}),
    "opt(1)": ("于", True, {"check": 0}),
    "txtPeriod": ("1", True, {}),
    "vsPeriod": (None, True, {}),
    "cmbUnit": (None, True, {"items": ["时", "分", "秒"], "selected": 0}),
    "txtHour": ("1", False, {}),
    "vsHour": (None, False, {}),
    "txtMin": ("00", False, {}),
    "vsMin": (None, False, {}),
    "cmbT": (None, False, {"items": ["AM", "PM"], "selected": 0}),
    "lbl(0)": ("动作", True, {}),
    "cmbAction": (None, True, {"items": ACTIONS + [LOCK], "selected": 0}),
    "chkForce": ("强制终止进程", True, {"check": 1}),
    "chkBlink": ("图标闪动之前执行", True, {"check": 1}),
    "txtBlink": ("30", True, {}),
    "vsBlink": (None, True, {}),
    "lbl(1)": ("秒", True, {}),
    "lblStatus": ("定时禁止", True, {}),
}

# Text boxes and how many characters the user may enter.
LIMITS = {"txtPeriod": 3, "txtHour": 2, "txtMin": 2, "txtBlink": 3}


class MainWindowAfterStart(SessionTest):
    version = "winxp"

    def test_every_control_as_designed(self):
        dump = self.session.dump()["controls"]
        controls = {c["name"]: c for c in dump if c["name"]}
        # The frame may draw its caption through an unnamed group box inside it.
        groups = [c for c in dump if c.get("kind") == "group" and c["parent"] == "frame"]
        if "frame" in controls and not controls["frame"]["text"] and groups:
            controls["frame"] = dict(controls["frame"], text=groups[0]["text"])
        for name, (text, enabled, extra) in DESIGN.items():
            with self.subTest(control=name):
                self.assertIn(name, controls, f"control missing; have {sorted(controls)}")
                c = controls[name]
                if text is not None:
                    self.assertEqual(c["text"], text)
                self.assertEqual(c["enabled"], enabled, f"enabled state of {name}: {c}")
                self.assertTrue(c["visible"], f"{name} not visible")
                for key, want in extra.items():
                    self.assertEqual(c.get(key), want, f"{key} of {name}: {c}")
        for name, limit in LIMITS.items():
            with self.subTest(limit=name):
                self.assertEqual(controls[name]["limit"], limit)

    def test_window_frame_and_focus(self):
        d = self.session.dump()
        self.assertEqual(d["caption"], "Vespera")
        self.assertTrue(d["visible"])
        style = d["style"]
        self.assertFalse(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
                         f"style {style:#x} has a resize border or min/max box")
        self.assertFalse(d["exstyle"] & WS_EX_APPWINDOW, "the window would get a taskbar button")
        self.assertFalse(d["owner_visible"])
        # 3780 x 4335 twips at 15 twips per pixel.
        self.assertEqual(d["client"][2:], [252, 289])
        # Centred on the 800 x 600 desktop (the frame may differ by a pixel or two).
        left, top, width, height = d["screen"]
        self.assertLessEqual(abs(left + width / 2 - 400), 2, d["screen"])
        self.assertLessEqual(abs(top + height / 2 - 300), 2, d["screen"])
        self.assertEqual(self.drv("focused", "frmMain")["focus"], "cmbAction")

    def test_tab_follows_the_design_order_across_the_containers(self):
        # The clock-time row is disabled in delay mode, labels and frames take
        # no focus, and of the option group only the selected button does.
        order = ["chkForce", "chkBlink", "txtBlink", "cmdTimer", "vsBlink", "vsPeriod",
                 "opt(0)", "cmbUnit", "txtPeriod", "cmbAction"]
        self.show_main()
        self.assertOk(self.drv("key", "cmbAction", "tab"), "tab from cmbAction")
        seen = [self.drv("focused", "frmMain")["focus"]]
        for _ in order[1:]:
            self.assertOk(self.drv("key", "-", "tab"), "tab")
            seen.append(self.drv("focused", "frmMain")["focus"])
        self.assertEqual(seen, order)
        self.assertOk(self.drv("key", "-", "shift+tab"), "shift+tab")
        self.assertEqual(self.drv("focused", "frmMain")["focus"], "txtPeriod")
        # Leave the focus where the start put it, for the other checks.
        self.assertOk(self.drv("key", "-", "tab"), "tab")
        self.assertEqual(self.drv("focused", "frmMain")["focus"], "cmbAction")

    def test_tray_icon_added_once_before_the_window_shows(self):
        calls = self.session.tray_calls()
        adds = [c for c in calls if c.int_arg(0) == 0]
        self.assertEqual(len(adds), 1, f"tray calls: {calls}")
        self.assertEqual(calls[0].int_arg(0), 0, f"first tray call is not the add: {calls}")
        hwnd = self.session.main["hwnd"]
        shows = [c for c in self.session.relay(self.session.vespera_pid, ["ShowWindow"])
                 if c.int_arg(0) == hwnd and c.int_arg(1) != 0]
        if shows:
            self.assertLess(adds[0].tick, shows[0].tick, f"add {adds[0]} after show {shows[0]}")

    def test_web_page_opened_through_explorer(self):
        # The default address holds '=': quoted, or explorer would cut it there.
        page = e2e.web_page(self.ctx.build)
        self.assertEqual(self.session.explorer_starts(self.session.vespera_pid),
                         [e2e.explorer_command_line(page)])

    def test_controls_are_drawn(self):
        # A control that is "visible" can still be painted over by its container.
        self.assertOk(self.drv("settle", "frmMain"), "main window drawn")
        for name in ["cmbAction", "chkForce", "txtBlink", "opt(0)", "cmdTimer", "lblStatus"]:
            with self.subTest(control=name):
                rect = self.session.screen_rect(name)
                self.assertGreater(self.session.colours(rect), 2,
                                   f"{name} at {rect} shows a blank area on the screen")

    def test_one_window_and_no_leftovers(self):
        w = self.drv("windows")
        forms = [x for x in w["windows"] if x["class"] == "VesperaForm" and x["visible"]]
        self.assertEqual([x["name"] for x in forms], ["frmMain"], w)


class SecondInstance(SessionTest):
    version = "winxp"

    def test_second_start_shows_notice_and_ends(self):
        first = self.session.vespera_pid
        second = self.session.launch_second()
        box = self.drv("msgbox", 20000)
        self.assertOk(box, "message box of the second instance")
        self.assertEqual(box["title"], "By: Brennick")
        self.assertIn("Vespera已经运行中.", box["statics"])
        self.assertNotEqual(box["pid"], first, "the notice came from the running instance")
        self.assertTrue(box["icon"], "no information icon")
        self.assertEqual(len(box["buttons"]), 1, box)
        # No window and no tray icon from the second instance.
        forms = [x for x in self.drv("windows")["windows"]
                 if x["class"] == "VesperaForm" and x["pid"] == box["pid"]]
        self.assertEqual(forms, [])
        self.assertOk(self.drv("msgboxok"))
        ended = e2e.wait_until(lambda: self.drv("alive")["pids"] == [first], e2e.LIMIT)
        self.assertTrue(ended, f"processes after OK: {self.drv('alive')}")
        second.wait(20)
        self.assertEqual(self.session.tray_calls(box["pid"]), [])
        self.assertEqual(self.session.explorer_starts(box["pid"]),
                         [e2e.explorer_command_line(e2e.web_page(self.ctx.build))],
                         "the second start did not open the web page")
        adds = [c for c in self.session.relay(None, e2e.TRAY_CALLS) if c.int_arg(0) == 0]
        self.assertEqual(len(adds), 1, adds)
        # The running instance is untouched.
        self.assertTrue(self.drv("wait", "frmMain", 1000, "visible").get("ok"))


class LockEntryPerVersion(unittest.TestCase):
    def test_lock_entry_only_on_xp_and_2000(self):
        for version, has_lock in [("winxp", True), ("win2k", True), ("win7", False),
                                  ("win10", False), ("win98", False)]:
            with self.subTest(version=version):
                s = e2e.Session(e2e.context(), version, "lock").start()
                try:
                    items = s.control("cmbAction")["items"]
                finally:
                    s.stop()
                self.assertEqual(items, ACTIONS + [LOCK] if has_lock else ACTIONS)


if __name__ == "__main__":
    unittest.main()
