"""A library planted beside vespera.exe is not loaded.

The window system loads uxtheme.dll by its bare name once the program runs
(Wine's user32 as Windows' themed controls do; it is not one of the Known
DLLs that Windows always takes from System32). A stand-in uxtheme.dll is put
in the program's folder with a native-first override, so Wine's loader takes
it wherever its search finds it first. The program must search System32
alone; the same program without the routine that restricts the search
(its name made unfindable, as on a system that lacks it) takes the planted
library: the check can see the difference.
"""

import re
import shutil
import unittest

import vespera_e2e as e2e

PLANTED = "uxtheme.dll"
# "[time:]pid:tid:trace:loaddll:... Loaded L"path" at address: native|builtin"
LOADED = re.compile(
    r'^(?:[\d.]+:)?([0-9a-f]{4}):[0-9a-f]{4}:trace:loaddll:\w+ Loaded L"([^"]+)" at \w+: (\w+)')


class LoaderSession(e2e.Session):
    """A session whose log also has the loader's messages."""

    def relay_env(self):
        env = super().relay_env()
        env["WINEDEBUG"] += ",+loaddll"
        return env


class PlantedLibrary(unittest.TestCase):
    def session(self, unrestricted=False):
        """A session whose program folder holds the planted library, then the program."""
        ctx = e2e.context()
        planted = ctx.build / "tests" / "e2e" / "planted" / "planted.dll"
        self.assertTrue(planted.exists(), f"{planted} not built")
        s = LoaderSession(ctx, "win10", self.id().rsplit(".", 1)[-1], overrides="uxtheme=n,b")
        s.start(program=False)
        self.addCleanup(s.stop)
        folder = s.prefix / "drive_c" / "vespera"
        shutil.copy2(planted, folder / PLANTED)
        if unrestricted:
            exe = folder / "vespera.exe"
            data = exe.read_bytes()
            name = b"SetDefaultDllDirectories\0"
            self.assertEqual(data.count(name), 1, "the routine's name is not in the program")
            exe.write_bytes(data.replace(name, b"SetDefaultDllDirectorieX\0"))
        s.launch_second()
        return s

    def loads(self, s):
        """(path, kind) of every library the program's process loaded."""
        text = s.relay_path.read_text(errors="replace")
        # The log writes a backslash twice.
        found = [(m.group(1), m.group(2).replace("\\\\", "\\").lower(), m.group(3))
                 for m in map(LOADED.match, text.splitlines()) if m]
        pids = {pid for pid, path, _ in found if path.endswith("\\vespera\\vespera.exe")}
        return [(path, kind) for pid, path, kind in found if pid in pids]

    def planted_loaded(self, s):
        return any(path.endswith("\\vespera\\" + PLANTED) for path, _ in self.loads(s))

    def test_the_program_searches_system32_alone(self):
        s = self.session()
        s.wait_main()
        # The window system has asked for the library by now.
        self.assertTrue(e2e.wait_until(lambda: [p for p, _ in self.loads(s)
                                                if p.endswith("\\" + PLANTED)], timeout=30),
                        f"{PLANTED} never loaded: {self.loads(s)}")
        self.assertFalse(self.planted_loaded(s), self.loads(s))

    def test_without_the_restriction_the_planted_library_loads(self):
        s = self.session(unrestricted=True)
        self.assertTrue(e2e.wait_until(lambda: self.planted_loaded(s), timeout=60),
                        f"the planted {PLANTED} was not loaded: {self.loads(s)}")
        # Without the routine the program starts as before.
        s.wait_main()


if __name__ == "__main__":
    unittest.main()
