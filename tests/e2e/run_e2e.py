#!/usr/bin/env python3
"""Runs the end-to-end suite: the tests with a session per test (firing,
faults) in one worker, everything else in another, at the same time (two
Wine sessions at most, each worker with its own Xvfb). Prints each worker's
unittest output, then one summary line.

    python3 tests/e2e/run_e2e.py [--build DIR] [--serial] [MODULE...]
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
GROUPS = [["test_firing", "test_faults", "test_honest"],
          ["test_startup", "test_tray", "test_fields", "test_access", "test_about", "test_win32_controls", "test_numeric",
           "test_loader", "test_dpi"]]


def worker(modules, result_path):
    sys.path.insert(0, str(HERE))
    suite = unittest.defaultTestLoader.loadTestsFromNames(modules)
    runner = unittest.TextTestRunner(verbosity=2, stream=sys.stdout)
    result = runner.run(suite)
    # A test with failing sub-tests counts as one failed test. A class whose
    # set-up failed ran none of its tests: it counts as one failed, none run.
    failed = sorted({getattr(t, "test_case", t).id() for t, _ in result.failures + result.errors})
    holders = sum(1 for t, _ in result.errors if not isinstance(t, unittest.TestCase))
    summary = {
        "run": result.testsRun + holders,
        "failed": len(failed),
        "skipped": len(result.skipped),
        "failures": failed,
    }
    Path(result_path).write_text(json.dumps(summary))
    return 0 if result.wasSuccessful() else 1


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", help="Windows build directory (vespera.exe, vdriver.exe)")
    ap.add_argument("--serial", action="store_true", help="one worker only")
    ap.add_argument("--worker", help=argparse.SUPPRESS)
    ap.add_argument("modules", nargs="*")
    a = ap.parse_args()
    if a.build:
        os.environ["VESPERA_WIN_BUILD"] = str(Path(a.build).resolve())
    if a.worker:
        return worker(a.modules, a.worker)

    groups = [a.modules] if a.modules else GROUPS
    if a.serial and not a.modules:
        groups = [sum(GROUPS, [])]
    start = time.time()
    tmp = Path(tempfile.mkdtemp(prefix="vespera-e2e-run-"))
    procs = []
    for i, mods in enumerate(groups):
        out = open(tmp / f"worker{i}.log", "w")
        res = tmp / f"worker{i}.json"
        p = subprocess.Popen([sys.executable, str(Path(__file__).resolve()), "--worker", str(res)] + mods,
                             stdout=out, stderr=subprocess.STDOUT, cwd=HERE)
        procs.append((p, out, res, mods))
    total = failed = skipped = 0
    failures = []
    for p, out, res, mods in procs:
        p.wait()
        out.close()
        print(f"===== e2e worker: {' '.join(mods)} =====")
        print((tmp / Path(out.name).name).read_text(errors="replace"))
        if res.exists():
            r = json.loads(res.read_text())
            total += r["run"]
            failed += r["failed"]
            skipped += r["skipped"]
            failures += r["failures"]
        else:
            failed += 1
            failures.append(f"worker {' '.join(mods)} crashed (exit {p.returncode})")
    elapsed = time.time() - start
    for f in failures:
        print(f"FAILED: {f}")
    print(f"e2e: {total - failed - skipped} passed, {failed} failed, {skipped} skipped "
          f"({elapsed:.0f} s)")
    return 1 if failed or total == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
