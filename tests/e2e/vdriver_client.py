"""vdriver.exe seen from the tests: one command a line, one JSON answer."""

import json
import queue
import subprocess
import threading

from wine_setup import wine


class DriverGone(Exception):
    """The driver process ended (the Wine session went down)."""


class Driver:
    """vdriver.exe reading commands on stdin, one JSON answer per line."""

    def __init__(self, exe, env):
        self.proc = subprocess.Popen(wine(exe), env=env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        threading.Thread(target=self._reader, daemon=True).start()

    def _reader(self):
        for raw in self.proc.stdout:
            self.lines.put(raw.decode("utf-8", "replace"))
        self.lines.put(None)

    def __call__(self, *args, timeout=30):
        if self.proc.poll() is not None:
            raise DriverGone("driver ended")
        line = "\t".join(str(a) for a in args) + "\n"
        try:
            self.proc.stdin.write(line.encode("utf-8"))
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError) as e:
            raise DriverGone(str(e))
        try:
            out = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise TimeoutError(f"driver gave no answer to {args!r}")
        if out is None:
            raise DriverGone("driver ended")
        return json.loads(out)

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.flush()
                self.proc.wait(5)
            except Exception:
                self.proc.kill()
