"""Arming a few seconds ahead and letting each action fire, one Wine session
per firing (under Wine an exit action ends that session only)."""

import os
import re
import unittest

import vespera_e2e as e2e
from base import new_session

DELAY = 3
TRUE32 = 0xFFFFFFFF
PLANNED = 0x80000000  # the shutdown's reason
HUNG = 0x10  # unforced from Windows 2000 on: hung programs do not hold it
PRIVILEGE = ["OpenProcessToken", "LookupPrivilegeValueA", "AdjustTokenPrivileges"]
ACTION_CALLS = ["ExitWindowsEx", "SetSuspendState", "LockWorkStation"]
# The status text each countdown tick sets: the seconds left as it read them.
COUNTDOWN = re.compile(r"(-?\d+) 秒后执行")

# (version, list entry, force, expected action call and its arguments,
#  privilege step expected). Wine answers S1 and S4 with a hibernation file:
#  both suspend and hibernate fire. Actions refused at arming, and lock,
#  which Wine does not implement, are in test_honest.
CASES = [
    ("winxp", "关机", True, ("ExitWindowsEx", [8 | 4, PLANNED]), True),
    ("winxp", "重新启动", False, ("ExitWindowsEx", [2 | HUNG, PLANNED]), True),
    ("winxp", "注销", True, ("ExitWindowsEx", [0 | 4, PLANNED]), True),
    ("winxp", "挂起", True, ("SetSuspendState", [0, TRUE32, 0]), True),
    ("winxp", "睡眠", False, ("SetSuspendState", [1, 0, 0]), True),
    ("win10", "关机", False, ("ExitWindowsEx", [8 | HUNG, PLANNED]), True),
    ("win10", "挂起", True, ("SetSuspendState", [0, TRUE32, 0]), True),
    ("win10", "睡眠", False, ("SetSuspendState", [1, 0, 0]), True),
    ("nt40", "注销", False, ("ExitWindowsEx", [0, PLANNED]), True),
    ("win98", "关机", True, ("ExitWindowsEx", [12, PLANNED]), False),
    ("win98", "挂起", True, ("SetSuspendState", [0, TRUE32, 0]), False),
]


def local_ms(stamp):
    """Milliseconds within the second of a driver time stamp."""
    return int(stamp["local"].rsplit(".", 1)[1])


def arm(testcase, s, action, force, delay=DELAY, unit="秒"):
    deadline = press(testcase, s, action, force, delay, unit)
    testcase.assertEqual(s.text("cmdTimer"), "禁止定时器(&D)", "the click did not arm")
    return deadline


def press(testcase, s, action, force, delay=DELAY, unit="秒"):
    """Sets up the action and its delay and presses cmdTimer; the earliest
    and the latest start of the deadline second, in Wine ticks, had it armed."""
    drv = s.driver
    testcase.assertTrue(drv("select", "cmbAction", "=" + action).get("ok"),
                        f"no entry {action} in {s.control('cmbAction')['items']}")
    if not force:
        drv("click", "chkForce", "send")
    testcase.assertEqual(s.control("chkForce")["check"], 1 if force else 0)
    testcase.assertTrue(drv("select", "cmbUnit", "=" + unit).get("ok"))
    drv("focus", "txtPeriod")
    drv("setsel", "txtPeriod", 0, -1)
    typed = drv("type", "txtPeriod", str(delay))
    testcase.assertEqual(typed.get("text"), str(delay), typed)
    click = drv("click", "cmdTimer", "sync")
    testcase.assertTrue(click.get("ok"), click)
    # The program read "now" between the two stamps, mostly in one second;
    # a slow click (a loaded machine) may end in the next.
    before, after = click["before"], click["after"]
    return (before["ticks"] - local_ms(before) + delay * 1000,
            after["ticks_after"] - local_ms(after) + delay * 1000)


def countdown(calls):
    """The countdown's ticks among relay calls: (when the tick's WM_TIMER
    came, the seconds left its status text shows)."""
    ticks, timer = [], None
    for c in calls:
        if c.func == "WM_TIMER":
            timer = c.tick
        for m in filter(None, map(COUNTDOWN.fullmatch, e2e.relay_strings(c.raw_args))):
            ticks.append((timer, int(m[1])))
    return ticks


def assert_on_time(testcase, s, deadline, nothing_waits=True):
    """The action came on time, whatever the machine's load, as the relay
    log orders it: not before the deadline second began (deadline: its
    earliest and latest start), and no later than the first tick at least a
    second past the deadline. Where no input can wait at the deadline, in
    the first tick that read the deadline reached (its status text shows 0;
    the tick reads the clock again for the action, so the one that shows 1
    may fire too)."""
    calls = s.relay(s.vespera_pid, ACTION_CALLS + ["SetWindowTextW", "WM_TIMER"])
    log = "\n".join(map(repr, calls))
    fired = next(i for i, c in enumerate(calls) if c.func in ACTION_CALLS)
    ticks = countdown(calls[:fired])
    testcase.assertTrue(ticks, f"no countdown tick came before the action\n{log}")
    early = deadline[0] - calls[fired].tick
    testcase.assertLessEqual(early, 50, f"fired {early} ms before the deadline second began\n{log}")
    # A tick whose WM_TIMER came a second past the latest deadline read the
    # clock later still.
    passed = [t for t, _ in ticks[:-1] if t - deadline[1] >= 1050]
    testcase.assertEqual(passed, [], f"ticks a second past the deadline passed without the action\n{log}")
    if nothing_waits:
        testcase.assertEqual([n for _, n in ticks[:-1] if n <= 0], [],
                             f"ticks that read the deadline reached passed without the action\n{log}")


class Firing(unittest.TestCase):
    def check_firing(self, version, action, force, expect, privilege):
        s = new_session(self, version)
        deadline = arm(self, s, action, force)
        ended = s.wait_ended(DELAY + e2e.LIMIT)
        calls = s.relay(s.vespera_pid, ACTION_CALLS + PRIVILEGE + e2e.TRAY_CALLS)
        log = "\n".join(map(repr, calls))
        self.assertTrue(ended, f"the program still runs after the deadline: {s.still_running()}\n{log}")
        acts = [c for c in calls if c.func in ACTION_CALLS]
        tray = [c for c in calls if c.func in e2e.TRAY_CALLS]
        deletes = [c for c in tray if c.int_arg(0) == 2]
        self.assertEqual(len(deletes), 1, f"tray icon not removed once\n{log}")
        func, args = expect
        self.assertEqual([c.func for c in acts], [func], log)
        fired = acts[0]
        self.assertEqual([fired.int_arg(i) for i in range(len(args))], args, log)
        self.assertLess(calls.index(fired), calls.index(deletes[0]), "icon removed before the action")
        assert_on_time(self, s, deadline)
        priv = [c for c in calls if c.func in PRIVILEGE]
        if privilege:
            order = [c.func for c in calls if c.func in PRIVILEGE + [func]]
            self.assertEqual(order, PRIVILEGE + [func] + PRIVILEGE, log)
            for c in priv:
                if c.func == "OpenProcessToken":
                    self.assertEqual(c.int_arg(1), 40, repr(c))
                if c.func == "LookupPrivilegeValueA":
                    # A text argument shows as its address and the quoted text.
                    self.assertTrue(c.args[0].endswith('""') or c.args[0] == "00000000", repr(c))
                    self.assertTrue(c.args[1].endswith('"SeShutdownPrivilege"'), repr(c))
                if c.func == "AdjustTokenPrivileges":
                    self.assertEqual((c.int_arg(1), c.int_arg(3)), (0, 16), repr(c))
        else:
            self.assertEqual(priv, [], f"privilege step where none belongs\n{log}")


def _make(case):
    version, action, force, expect, privilege = case

    def test(self):
        self.check_firing(version, action, force, expect, privilege)

    test.__doc__ = f"{action} under {version}, force {force}: {expect[0]}"
    return test


for _i, _case in enumerate(CASES):
    setattr(Firing, f"test_{_i:02d}_{_case[0]}_{'force' if _case[2] else 'noforce'}", _make(_case))


if __name__ == "__main__":
    unittest.main()
