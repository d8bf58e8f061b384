"""Test-case plumbing shared by the end-to-end test modules, and the runs of
the build's own check programs under Wine."""

import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import vespera_e2e as e2e
from wine_setup import wine, wine_env, wineserver


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
            r = self.drv("wait", "frmMain", e2e.LIMIT_MS, "visible")
            self.assertTrue(r.get("ok"), f"main window did not come back: {r}")

    def wait_for(self, check, what, timeout=e2e.LIMIT):
        """Waits until check() holds, within a generous limit; fails with `what`."""
        got = e2e.wait_until(check, timeout)
        self.assertTrue(got, what)
        return got

    def assertOk(self, answer, what=""):
        self.assertTrue(answer.get("ok"), f"{what}: driver answered {answer}")
        return answer


def new_session(testcase, version="winxp", overrides="", program=True, power=None):
    """A session of its own for one test; stopped when the test ends."""
    s = e2e.Session(e2e.context(), version, testcase.id().rsplit(".", 1)[-1], overrides, power=power)
    s.start(program=program)
    testcase.addCleanup(s.stop)
    return s


def run_check_program(ctx, exe, timeout=180):
    """Runs a test program of the build in a prefix of its own; returns the
    finished process (stdout as text)."""
    work = Path(tempfile.mkdtemp(prefix=f"{Path(exe).stem}-", dir=ctx.work))
    prefix = work / "prefix"
    shutil.copytree(ctx.template, prefix, symlinks=True)
    env = wine_env(prefix, ctx.display)
    try:
        return subprocess.run(wine(exe), env=env, capture_output=True, text=True,
                              errors="replace", timeout=timeout)
    finally:
        subprocess.run(wineserver("-k"), env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        shutil.rmtree(work, ignore_errors=True)


def assert_check_program_passes(testcase, relative, least=1, timeout=180):
    """Runs a test program of the build (path below the build folder) under
    Wine; it must print "N passed, 0 failed" with N >= least and exit 0."""
    ctx = e2e.context()
    exe = ctx.build / relative
    testcase.assertTrue(exe.exists(), f"{exe} not built")
    run = run_check_program(ctx, exe, timeout)
    summary = re.search(r"(\d+) passed, (\d+) failed", run.stdout)
    testcase.assertIsNotNone(summary, f"no summary; output:\n{run.stdout}\n{run.stderr[-2000:]}")
    testcase.assertEqual(summary.group(2), "0", run.stdout)
    testcase.assertGreaterEqual(int(summary.group(1)), least, run.stdout)
    testcase.assertEqual(run.returncode, 0, run.stdout)
