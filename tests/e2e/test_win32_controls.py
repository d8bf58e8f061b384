"""The Win32 control layer's own checks, against real windows under Wine."""

import re
import unittest

import vespera_e2e as e2e


class Win32ControlLayer(unittest.TestCase):
    def test_control_layer_checks_pass(self):
        ctx = e2e.context()
        exe = ctx.build / "tests" / "win32" / "vespera_ui_win32_test.exe"
        self.assertTrue(exe.exists(), f"{exe} not built")
        run = e2e.run_check_program(ctx, exe)
        summary = re.search(r"(\d+) passed, (\d+) failed", run.stdout)
        self.assertIsNotNone(summary, f"no summary; output:\n{run.stdout}\n{run.stderr[-2000:]}")
        self.assertEqual(summary.group(2), "0", run.stdout)
        self.assertGreater(int(summary.group(1)), 0)
        self.assertEqual(run.returncode, 0, run.stdout)


if __name__ == "__main__":
    unittest.main()
