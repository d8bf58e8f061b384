"""The main window for keyboard and screen-reader users: the names read
from the real z-order, Esc on an open list, the status line's live-region
events and the tray icon's keyboard notes."""

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
