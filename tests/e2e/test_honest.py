"""What the user is told, end to end, each case in a Wine session of its own:
the warning brings the hidden window to the front without the focus; an
action the machine cannot do is refused at the press with its reason; an
action whose call fails leaves the program running, disarmed, its window in
front and its icon kept, the failure on the status line. Other answers of
the power library than Wine's come from a stand-in powrprof.dll
(driver/powrprof_standin.cpp)."""

import unittest

import vespera_e2e as e2e
from base import new_session
from test_firing import ACTION_CALLS, DELAY, arm, press

WS_EX_TOPMOST = 0x8
NIM_DELETE = 2


def caps(mask):
    """The stand-in's sleep states: S1..S4 (bits 0..3), the hibernation
    file (bit 4), Modern Standby (bit 5), a reduced hibernation file (bit 6)."""
    return {"VESPERA_POWER_CAPS": str(mask)}


def topmost(form):
    return bool(form["exstyle"] & WS_EX_TOPMOST)


# (version, list entry, session options, the reason on the status line,
#  whether the machine's sleep states were asked)
REFUSED = [
    ("nt40", "睡眠", {}, "这个Windows版本不能睡眠", False),
    ("win10", "挂起", {"power": caps(0b111000)}, "现代待机的电脑不能挂起", True),
    ("win10", "睡眠", {"power": caps(0b001001)}, "开休眠需管理员命令提示符：powercfg /h on", True),
    ("win10", "睡眠", {"power": caps(0b1011001)}, "休眠文件只供快速启动，见使用说明", True),
]

# (version, list entry, session options, the call that fails or None when
#  its routine is missing, the status line after it)
FAILED = [
    # Wine 8 does not implement LockWorkStation: FALSE with error 120.
    ("winxp", "锁定计算机", {}, "LockWorkStation", "锁定计算机失败：系统不支持"),
    ("win10", "挂起", {"power": {"VESPERA_POWER_SUSPEND": "1314"}}, "SetSuspendState",
     "挂起失败：没有权限"),
    ("winxp", "睡眠", {"overrides": "powrprof=d"}, None, "睡眠失败：系统不支持"),
]


class Honest(unittest.TestCase):
    def test_warning_brings_the_hidden_window_to_the_front_without_the_focus(self):
        s = new_session(self)
        drv = s.driver
        drv("focus", "txtBlink")
        drv("setsel", "txtBlink", 0, -1)
        self.assertEqual(drv("type", "txtBlink", "55").get("text"), "55")
        # A minute ahead: the warning comes at 55 seconds left.
        arm(self, s, "关机", True, 1, "分")
        drv("close", "frmMain")
        self.assertTrue(drv("waitgone", "frmMain", e2e.LIMIT_MS).get("ok"), "the window did not hide")
        shown = drv("wait", "frmMain", (5 + e2e.LIMIT) * 1000, "visible")
        self.assertTrue(shown.get("ok"), f"the warning did not show the window: {shown}")
        self.assertTrue(topmost(shown), f"not in front of other windows: {shown}")
        self.assertFalse(shown["foreground"], "the warning took the focus")
        self.assertTrue(drv("click", "cmdTimer", "send").get("ok"))
        self.assertEqual(s.text("cmdTimer"), "激活定时器(&E)", "the click did not disarm")
        self.assertFalse(topmost(s.dump()), "disarming left the window in front")

    def check_refused(self, version, action, options, reason, asked):
        s = new_session(self, version, **options)
        press(self, s, action, True)
        self.assertEqual(s.text("lblStatus"), reason)
        self.assertEqual(s.text("cmdTimer"), "激活定时(&E)", "the refused press armed")
        calls = [c.func for c in s.relay(s.vespera_pid, ACTION_CALLS + ["GetPwrCapabilities"])]
        calls += s.power_calls()
        self.assertEqual(calls, ["GetPwrCapabilities"] if asked else [])

    def check_failed(self, version, action, options, func, told):
        s = new_session(self, version, **options)
        s.driver("click", "chkBlink", "send")  # no warning: only the failure shows the window
        arm(self, s, action, True)
        s.driver("close", "frmMain")
        self.assertTrue(s.driver("waitgone", "frmMain", e2e.LIMIT_MS).get("ok"), "the window did not hide")
        shown = s.driver("wait", "frmMain", (DELAY + e2e.LIMIT) * 1000, "visible")
        self.assertTrue(shown.get("ok"), f"the failure did not show the window: {shown}")
        self.assertTrue(e2e.wait_until(lambda: s.text("lblStatus") == told, e2e.LIMIT),
                        f"status line: {s.text('lblStatus')}")
        self.assertTrue(topmost(shown), f"not in front of other windows: {shown}")
        self.assertFalse(shown["foreground"], "the failure took the focus")
        self.assertEqual(s.text("cmdTimer"), "激活定时器(&E)", "not disarmed")
        self.assertTrue(s.driver("alive")["running"], "the program ended")
        calls = s.relay(s.vespera_pid, ACTION_CALLS + e2e.TRAY_CALLS)
        log = "\n".join(map(repr, calls))
        acts = [c.func for c in calls if c.func in ACTION_CALLS] + s.power_calls()[1:]
        self.assertEqual(acts, [func] if func else [], log)
        self.assertNotIn(NIM_DELETE, [c.int_arg(0) for c in calls if c.func in e2e.TRAY_CALLS],
                         f"the icon was removed\n{log}")
        # Ready again: the next press arms and ends the stay in front.
        arm(self, s, action, True, 1, "时")
        self.assertFalse(topmost(s.dump()), "arming left the window in front")


def _refused(case):
    def test(self):
        self.check_refused(*case)
    test.__doc__ = f"{case[1]} under {case[0]} is refused: {case[3]}"
    return test


def _failed(case):
    def test(self):
        self.check_failed(*case)
    test.__doc__ = f"{case[1]} under {case[0]} fails and is told: {case[4]}"
    return test


for _i, _case in enumerate(REFUSED):
    setattr(Honest, f"test_refused_{_i}_{_case[0]}", _refused(_case))
for _i, _case in enumerate(FAILED):
    setattr(Honest, f"test_failed_{_i}_{_case[0]}", _failed(_case))


if __name__ == "__main__":
    unittest.main()
