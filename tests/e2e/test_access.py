"""The main window for keyboard and screen-reader users: the names read
from the real z-order, Esc on an open list, the status line's live-region
events and the tray icon's keyboard notes."""

import vespera_e2e as e2e
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


def wait_for(what, condition):
    """Polls condition() until it is true; fails the test after the limit."""
    if not e2e.wait_until(condition, e2e.LIMIT, 0.05):
        raise AssertionError(f"timed out waiting for {what}")


def handled_so_far(t):
    """Waits until the program has handled every message queued for it so
    far: a selection posted now comes after them."""
    sel = [0, 1] if t.session.control("txtPeriod")["sel"] != [0, 1] else [0, 0]
    t.assertOk(t.drv("setsel", "txtPeriod", sel[0], sel[1], "post"))
    wait_for("the posted selection", lambda: t.session.control("txtPeriod")["sel"] == sel)


class Keyboard(SessionTest):
    def test_esc_on_an_open_list_closes_the_list_only(self):
        self.show_main()
        self.assertOk(self.drv("key", "cmbUnit", "alt+down"))
        wait_for("the list to open", lambda: self.session.control("cmbUnit")["dropped"])
        self.assertOk(self.drv("key", "-", "esc"))
        # Closed means the key went down; its character is queued by then.
        wait_for("the list to close", lambda: not self.session.control("cmbUnit")["dropped"])
        handled_so_far(self)
        self.assertTrue(self.drv("wait", "frmMain", 0, "visible").get("ok"),
                        "Esc for the open list hid the window")
        self.assertOk(self.drv("key", "-", "esc"))
        self.assertOk(self.drv("waitgone", "frmMain", e2e.LIMIT_MS), "Esc on the closed list kept the window")
        self.show_main()


class LiveRegion(SessionTest):
    OBJID_CLIENT = -4

    def live_events(self, count, *command):
        r = self.assertOk(self.drv("liveregion", count, 20000, *command))
        self.seen = r["events"]  # with their times, for a failure's message
        for e in r["events"]:
            self.assertEqual((e["name"], e["object"], e["child"]), ("lblStatus", self.OBJID_CLIENT, 0), e)
        return [e["text"] for e in r["events"]]

    def test_the_countdown_is_announced_sparingly(self):
        # Its own session: should the countdown ever run out, the suspend does
        # nothing to the host, and no other test loses its program.
        self.show_main()
        self.assertOk(self.drv("select", "cmbAction", "=挂起"))
        self.assertOk(self.drv("select", "cmbUnit", "=秒"))
        self.assertOk(self.drv("click", "chkBlink", "send"))
        self.assertEqual(self.session.control("chkBlink")["check"], 0, "the warning is still on")
        self.drv("focus", "txtPeriod")
        self.drv("setsel", "txtPeriod", 0, -1)
        self.assertEqual(self.assertOk(self.drv("type", "txtPeriod", "22"))["text"], "22")
        # An event's text is read when it arrives, a little later at most.
        # Arming: the first text is heard; disarming then, in the quiet
        # seconds, is heard alone.
        first = self.live_events(1, "click", "cmdTimer", "send")
        self.assertEqual(len(first), 1, f"not the first text alone: {self.seen}")
        self.assertRegex(first[0], r"^\d+ 秒后执行$")
        self.assertEqual(self.live_events(1, "click", "cmdTimer", "send"), ["定时器禁止"], self.seen)
        # Armed again: after its first text, nothing until the last ten seconds.
        # A text is read when its event reaches the driver: should the driver
        # stall, later events come together, each read as the latest text.
        texts = self.live_events(2, "click", "cmdTimer", "send")
        self.assertGreaterEqual(len(texts), 2, self.seen)
        later = [int(t.split(" ")[0]) for t in texts[1:]]
        self.assertLessEqual(max(later), 10, f"announced above ten seconds: {self.seen}")
        self.assertOk(self.drv("click", "cmdTimer", "send"))
        self.assertEqual(self.session.text("lblStatus"), "定时器禁止")


class TrayKeyboard(SessionTest):
    """The notes of a tray of version 3, which Wine's tray is."""

    def menus_open(self):
        return [w for w in self.drv("allwindows")["windows"] if w["class"] == "#32768"]

    def test_one_real_right_click_opens_one_menu(self):
        self.show_main()
        before = len(self.session.relay(self.session.vespera_pid, ["TrackPopupMenu", "TrackPopupMenuEx"]))
        self.assertOk(self.drv("trayicon", "right"))
        self.assertOk(self.drv("closemenu"), "the right click opened no menu")
        wait_for("the menu to close", lambda: not self.menus_open())
        # A second note for the same click would open its menu now.
        handled_so_far(self)
        self.assertEqual(self.menus_open(), [], "a second menu opened")
        menus = self.session.relay(self.session.vespera_pid, ["TrackPopupMenu", "TrackPopupMenuEx"])
        self.assertEqual(len(menus) - before, 1, "menus opened by one right click")

    def test_enter_on_the_icon_brings_the_window_back_in_front_with_its_focus(self):
        self.show_main()
        self.assertOk(self.drv("focus", "txtBlink"))
        self.assertOk(self.drv("close", "frmMain"))
        self.assertOk(self.drv("waitgone", "frmMain", e2e.LIMIT_MS))
        s = self.session
        asked = len(s.relay(s.vespera_pid, ["SetForegroundWindow"]))
        # NIN_KEYSELECT, which the shell may send twice.
        self.drv("tray", 1025)
        self.drv("tray", 1025)
        main = self.assertOk(self.drv("wait", "frmMain", e2e.LIMIT_MS, "visible"), "Enter did not show the window")
        wait_for("the window in front", lambda: self.drv("wait", "frmMain", 0, "visible")["foreground"])
        # Showing alone would do under Wine, not on Windows: the program asks.
        handled_so_far(self)
        calls = s.relay(s.vespera_pid, ["SetForegroundWindow"])[asked:]
        self.assertEqual([c.int_arg(0) for c in calls], [main["hwnd"]] * 2)
        self.assertEqual(self.drv("focused")["focus"], "txtBlink", "the focus was not restored")
        # A left click's note does nothing.
        self.assertOk(self.drv("close", "frmMain"))
        self.assertOk(self.drv("waitgone", "frmMain", e2e.LIMIT_MS))
        self.drv("tray", 1024)
        handled_so_far(self)
        self.assertFalse(self.drv("wait", "frmMain", 0, "visible").get("ok"), "NIN_SELECT showed the window")
        self.assertEqual(self.menus_open(), [])
        self.show_main()
