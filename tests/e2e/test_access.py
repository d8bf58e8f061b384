"""The main window for keyboard and screen-reader users: the names read
from the real z-order, Esc on an open list, the status line's live-region
events and the tray icon's keyboard notes."""

import time

from base import SessionTest

WS_TABSTOP = 0x00010000

NAMES = [("txtPeriod", "延时时长"), ("vsPeriod", "增减延时时长"), ("cmbUnit", "延时单位"),
         ("txtHour", "定时小时"), ("vsHour", "增减小时"), ("txtMin", "定时分钟"),
         ("vsMin", "增减分钟"), ("cmbT", "上午或下午"), ("txtBlink", "提前闪动秒数"),
         ("vsBlink", "增减闪动秒数")]


class ScreenReader(SessionTest):
    def test_each_named_control_follows_its_hidden_label_in_z_order(self):
        c = self.session.controls()
        for i, (name, text) in enumerate(NAMES):
            label = f"lblName({i})"
            with self.subTest(control=name):
                self.assertEqual(c[name]["prev"], label, "the sibling before it")
                self.assertEqual(c[label]["text"], text)
                self.assertFalse(c[label]["visible"], "the name label shows")
                self.assertFalse(c[label]["style"] & WS_TABSTOP)
                self.assertEqual(c[label]["class"].lower(), "static")
                self.assertEqual(c[label]["parent"], c[name]["parent"])
                # A drop-down list sets its own height from its font.
                same = 3 if name.startswith("cmb") else 4
                self.assertEqual(c[label]["rect"][:same], c[name]["rect"][:same])
        self.assertEqual(c["cmbAction"]["prev"], "lbl(0)", "the list keeps its visible caption")


def wait_for(what, condition, timeout=20):
    """Polls condition() until it is true; fails the test after timeout seconds."""
    end = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > end:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


class Keyboard(SessionTest):
    def handled_so_far(self):
        """Waits until the program has handled every message queued for it so
        far: a selection posted now comes after them."""
        sel = [0, 1] if self.session.control("txtPeriod")["sel"] != [0, 1] else [0, 0]
        self.assertOk(self.drv("setsel", "txtPeriod", sel[0], sel[1], "post"))
        wait_for("the posted selection", lambda: self.session.control("txtPeriod")["sel"] == sel)

    def test_esc_on_an_open_list_closes_the_list_only(self):
        self.show_main()
        self.assertOk(self.drv("key", "cmbUnit", "alt+down"))
        wait_for("the list to open", lambda: self.session.control("cmbUnit")["dropped"])
        self.assertOk(self.drv("key", "-", "esc"))
        # Closed means the key went down; its character is queued by then.
        wait_for("the list to close", lambda: not self.session.control("cmbUnit")["dropped"])
        self.handled_so_far()
        self.assertTrue(self.drv("wait", "frmMain", 0, "visible").get("ok"),
                        "Esc for the open list hid the window")
        self.assertOk(self.drv("key", "-", "esc"))
        self.assertOk(self.drv("waitgone", "frmMain", 5000), "Esc on the closed list kept the window")
        self.show_main()
