"""Test-case plumbing shared by the end-to-end test modules."""

import unittest

import vespera_e2e as e2e


class SessionTest(unittest.TestCase):
    """One Wine session for the whole class, started before its first test."""

    version = "winxp"
    session = None

    @classmethod
    def setUpClass(cls):
        cls.ctx = e2e.context()
        cls.session = e2e.Session(cls.ctx, cls.version, cls.__name__).start()
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


def new_session(testcase, version="winxp", overrides="", program=True):
    """A session of its own for one test; stopped when the test ends."""
    s = e2e.Session(e2e.context(), version, testcase.id().rsplit(".", 1)[-1], overrides)
    s.start(program=program)
    testcase.addCleanup(s.stop)
    return s

