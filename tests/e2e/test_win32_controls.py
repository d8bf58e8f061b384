"""The Win32 control layer's own checks, against real windows under Wine."""

import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import vespera_e2e as e2e


class Win32ControlLayer(unittest.TestCase):
    def test_control_layer_checks_pass(self):
        ctx = e2e.context()
        exe = ctx.build / "tests" / "win32" / "vespera_ui_win32_test.exe"
        self.assertTrue(exe.exists(), f"{exe} not built")
        work = Path(tempfile.mkdtemp(prefix="win32-controls-", dir=ctx.work))
        prefix = work / "prefix"
        shutil.copytree(ctx.template, prefix, symlinks=True)
        env = e2e.wine_env(prefix, ctx.display)
        try:
            run = subprocess.run(["wine", str(exe)], env=env, capture_output=True, text=True,
                                 errors="replace", timeout=180)
        finally:
            subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)
            shutil.rmtree(work, ignore_errors=True)
        summary = re.search(r"(\d+) passed, (\d+) failed", run.stdout)
        self.assertIsNotNone(summary, f"no summary; output:\n{run.stdout}\n{run.stderr[-2000:]}")
        self.assertEqual(summary.group(2), "0", run.stdout)
        self.assertGreater(int(summary.group(1)), 0)
        self.assertEqual(run.returncode, 0, run.stdout)


if __name__ == "__main__":
    unittest.main()
