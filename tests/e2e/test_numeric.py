"""The Windows build reads the shared table of number texts as the native build does."""

import re
import unittest

import vespera_e2e as e2e


class WindowsNumberReader(unittest.TestCase):
    def test_reads_the_shared_table(self):
        ctx = e2e.context()
        exe = ctx.build / "tests" / "numeric" / "vespera_numeric_check.exe"
        self.assertTrue(exe.exists(), f"{exe} not built")
        run = e2e.run_check_program(ctx, exe, timeout=60)
        summary = re.search(r"numeric: (\d+) passed, (\d+) failed", run.stdout)
        self.assertIsNotNone(summary, f"no summary; output:\n{run.stdout}\n{run.stderr[-2000:]}")
        self.assertEqual(summary.group(2), "0", run.stdout)
        self.assertGreater(int(summary.group(1)), 50)
        self.assertEqual(run.returncode, 0, run.stdout)


if __name__ == "__main__":
    unittest.main()
