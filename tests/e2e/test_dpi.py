"""The main window at the screen's DPI (Wine's LogPixels): the design at
that DPI, pointer moves that are only pointer moves, the real tray icon's
clicks, and a WM_DPICHANGED that lays the window out again."""

import time
import unittest

from base import SessionTest
from test_about import crop_box


def mul_div(value, dpi, per=1440):
    """MulDiv's rounding for positive values: the nearest, halves up."""
    return (value * dpi + per // 2) // per


def popups(drv):
    return [w for w in drv("allwindows")["windows"] if w["class"] == "#32768"]


class DpiChecks:
    desktop = "1024x768"
    changed_to = 144

    def test_design_pointer_tray_and_dpi_change(self):
        s, drv, dpi = self.session, self.drv, self.dpi
        main = self.assertOk(drv("wait", "frmMain", 5000, "visible"))
        self.assertEqual(main["client"][2:], [mul_div(3780, dpi), mul_div(4335, dpi)],
                         "the client area is not the design at the screen's DPI")
        if dpi == 144:
            shots = self.ctx.shots
            shots.mkdir(parents=True, exist_ok=True)
            time.sleep(0.5)
            s.screenshot(shots / "main-144dpi.png", crop_box(main["screen"], limit=(1024, 768)))

        # The real icon: a right click opens the menu, a double click restores.
        self.assertOk(drv("trayicon", "right"), "right click on the tray icon")
        self.assertTrue(self.wait_for(lambda: popups(drv)), "no menu after a real right click")
        drv("key", "-", "esc")
        self.assertTrue(self.wait_for(lambda: not popups(drv)), "the menu did not close")
        drv("close", "frmMain")
        self.assertOk(drv("waitgone", "frmMain", 5000))
        self.assertOk(drv("trayicon", "double"), "double click on the tray icon")
        self.assertOk(drv("wait", "frmMain", 5000, "visible"), "no restore after a real double click")

        # Every x of the tray's mouse messages, on every row of the window;
        # armed, the disabled settings frame lets the moves reach the window.
        # A shell without NIM_SETVERSION, where a right button's 517 is the
        # one that opens the menu.
        self.assertTrue(drv("shell", "old").get("first"))
        self.assertTrue(self.wait_for(lambda: [c["message"] for c in drv("shell")["calls"]][-2:] == [0, 4]),
                        "the icon was not added again after the restart")
        menus_before = len(s.relay(s.vespera_pid, ["TrackPopupMenu", "TrackPopupMenuEx"]))
        self.assertOk(drv("click", "cmdTimer", "send"))
        sweep = self.assertOk(drv("sweep", "frmMain"))
        if mul_div(3780, dpi) > 518:
            self.assertGreater(sweep["exposed"], 0, "no move reached the window itself at x = 515 or 517")
        self.assertEqual(popups(drv), [], "a pointer move opened the tray menu")
        self.assertTrue(drv("wait", "frmMain", 300, "visible").get("ok"), "a pointer move hid the window")
        self.assertEqual(len(s.relay(s.vespera_pid, ["TrackPopupMenu", "TrackPopupMenuEx"])), menus_before)
        self.assertOk(drv("click", "cmdTimer", "send"))
        self.assertEqual(s.text("cmdTimer"), "激活定时器(&E)", "a pointer move changed the armed state")

        # Moved to a monitor of another DPI.
        new = self.changed_to
        self.assertOk(drv("dpichange", "frmMain", new))
        d = s.dump()
        self.assertEqual(d["client"][2:], [mul_div(3780, new), mul_div(4335, new)])
        controls = {c["name"]: c for c in d["controls"] if c["name"]}
        self.assertEqual(controls["cmdTimer"]["rect"],
                         [mul_div(180, new), mul_div(3660, new), mul_div(3435, new), mul_div(315, new)])
        # The auto-sized "动作" is two characters of the 9-point font at the new DPI.
        width = controls["lbl(0)"]["rect"][2]
        self.assertLessEqual(abs(width - 2 * mul_div(9, new, 72)), 2, controls["lbl(0)"])

    def wait_for(self, fn, timeout=5):
        end = time.time() + timeout
        while time.time() < end:
            if fn():
                return True
            time.sleep(0.1)
        return False


class At96Dpi(DpiChecks, SessionTest):
    dpi = 96
    changed_to = 192


class At144Dpi(DpiChecks, SessionTest):
    dpi = 144
    changed_to = 96


class At216Dpi(DpiChecks, SessionTest):
    dpi = 216
    changed_to = 120


if __name__ == "__main__":
    unittest.main()
