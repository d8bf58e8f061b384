"""Test-case plumbing shared by the end-to-end test modules."""

import re
import unittest

import vespera_e2e as e2e


class SessionTest(unittest.TestCase):
    """One Wine session for the whole class, started before its first test."""

    version = "winxp"
    lang = "zh_CN.UTF-8"
    dpi = None
    desktop = e2e.DESKTOP_SIZE
    session = None

    @classmethod
    def setUpClass(cls):
        cls.ctx = e2e.context()
        cls.session = e2e.Session(cls.ctx, cls.version, cls.__name__, lang=cls.lang, dpi=cls.dpi,
                                  desktop=cls.desktop).start()
        cls.drv = cls.session.driver

    @classmethod
    def tearDownClass(cls):
        if cls.session:
            cls.session.stop()

    def show_main(self):
        """Bring the main window back (tray double-click) if it is hidden."""
        if not self.drv("wait", "frmMain", 200, "visible").get("ok"):
            self.drv("tray", 515)
            r = self.drv("wait", "frmMain", 5000, "visible")
            self.assertTrue(r.get("ok"), f"main window did not come back: {r}")

    def assertOk(self, answer, what=""):
        self.assertTrue(answer.get("ok"), f"{what}: driver answered {answer}")
        return answer


def new_session(testcase, version="winxp", overrides="", program=True, power=None):
    """A session of its own for one test; stopped when the test ends."""
    s = e2e.Session(e2e.context(), version, testcase.id().rsplit(".", 1)[-1], overrides, power=power)
    s.start(program=program)
    testcase.addCleanup(s.stop)
    return s



def assert_check_program_passes(testcase, relative, least=1, timeout=180):
    """Runs a test program of the build (path below the build folder) under
    Wine; it must print "N passed, 0 failed" with N >= least and exit 0."""
    ctx = e2e.context()
    exe = ctx.build / relative
    testcase.assertTrue(exe.exists(), f"{exe} not built")
    run = e2e.run_check_program(ctx, exe, timeout)
    summary = re.search(r"(\d+) passed, (\d+) failed", run.stdout)
    testcase.assertIsNotNone(summary, f"no summary; output:\n{run.stdout}\n{run.stderr[-2000:]}")
    testcase.assertEqual(summary.group(2), "0", run.stdout)
    testcase.assertGreaterEqual(int(summary.group(1)), least, run.stdout)
    testcase.assertEqual(run.returncode, 0, run.stdout)
