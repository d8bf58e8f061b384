"""vdriver.exe seen from the tests: one command a line, one JSON answer.

The driver's waits are its own, each with its limit: before each it says
{"waiting": ms}, and the answer may come that much later. The client never
gives up before the driver would; it waits MARGIN beyond, for the driver's
own work between its waits."""

import json
import queue
import subprocess
import threading

from wine_setup import wine

# The driver's own work between its waits (sending to the program, reading
# windows), on a loaded machine: far beyond what it needs.
MARGIN = 20
# Wine's start of vdriver.exe, beside the session's own start.
START = 120


class DriverGone(Exception):
    """The driver process ended (the Wine session went down)."""


class Driver:
    """vdriver.exe reading commands on stdin, one JSON answer per line."""

    def __init__(self, exe, env):
        self.proc = subprocess.Popen(wine(exe), env=env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        self.ready = False
        threading.Thread(target=self._reader, daemon=True).start()

    def _reader(self):
        for raw in self.proc.stdout:
            self.lines.put(raw.decode("utf-8", "replace"))
        self.lines.put(None)

    def _next(self, timeout, args):
        try:
            out = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise TimeoutError(f"driver gave no answer to {args!r} within {timeout} s")
        if out is None:
            raise DriverGone("driver ended")
        return json.loads(out)

    def __call__(self, *args):
        if self.proc.poll() is not None:
            raise DriverGone("driver ended")
        line = "\t".join(str(a) for a in args) + "\n"
        try:
            self.proc.stdin.write(line.encode("utf-8"))
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError) as e:
            raise DriverGone(str(e))
        if not self.ready:
            greeting = self._next(START, ("start",))
            if not greeting.get("ready"):
                raise AssertionError(f"the driver did not start with its greeting: {greeting}")
            self.ready = True
        limit = MARGIN
        while True:
            answer = self._next(limit, args)
            if "waiting" not in answer:
                return answer
            limit = answer["waiting"] / 1000 + MARGIN

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.flush()
                self.proc.wait(5)
            except Exception:
                self.proc.kill()
