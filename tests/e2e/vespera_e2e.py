"""Wine sessions for the end-to-end tests of vespera.exe.

A session is one Wine prefix (copied from a template made once), its own
wineserver, a virtual desktop with a taskbar and tray, vespera.exe started in
it, and vdriver.exe running beside it to inspect and drive the windows.
Calls of the routines the program binds at run time are taken from Wine's
relay log, with timestamps (Wine tick counts, milliseconds).

The pieces live by concern: wine_setup.py (the build, Wine, the display and
the template prefix), relay_log.py (the relay log), vdriver_client.py (the
driver); the test modules reach them all through this module.
"""

import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from relay_log import RELAY_RE, TRAY_CALLS, Call, explorer_command_line, relay_strings, web_page  # noqa: F401
from vdriver_client import Driver  # noqa: F401
from wine_setup import DESKTOP, DESKTOP_SIZE, REPO, context, pe_machine, wine, wine_env, wineserver  # noqa: F401

# How long a test waits for the program to reach a state it expects: far
# beyond what an idle machine needs, so that a loaded one passes too.
LIMIT = 20
LIMIT_MS = LIMIT * 1000  # the same for the driver's waits


class Session:
    """One Wine session running vespera.exe under a given Windows version."""

    def __init__(self, ctx, version="winxp", tag="s", overrides="", lang="zh_CN.UTF-8", dpi=None,
                 desktop=DESKTOP_SIZE, power=None):
        """overrides: Wine DLL overrides for the session, e.g. "powrprof=d";
        lang: the Unix locale, which gives the session its Windows locale;
        dpi: the screen's DPI (LogPixels), Wine's 96 when None; desktop: the
        virtual desktop's size; power: None, or the settings of the stand-in
        powrprof.dll (its environment variables, driver/powrprof_standin.cpp),
        which then replaces Wine's for vespera.exe."""
        self.ctx, self.version, self.overrides, self.lang = ctx, version, overrides, lang
        self.dpi, self.desktop = dpi, desktop
        self.power = power
        self.dir = Path(tempfile.mkdtemp(prefix=f"{tag}-{version}-", dir=ctx.work))
        self.prefix = self.dir / "prefix"
        self.relay_path = self.dir / "relay.log"
        self.driver = None
        self.explorer = None
        self.vespera_pid = None

    # -- start and stop --

    def start(self, wait_main=True, program=True):
        """Start the session's desktop with vespera.exe, or empty (program False)."""
        shutil.copytree(self.ctx.template, self.prefix, symlinks=True)
        with open(self.prefix / "user.reg", "a", encoding="utf-8") as f:
            f.write(f'\n[Software\\\\Wine\\\\AppDefaults\\\\vespera.exe] {int(time.time())}\n'
                    f'"Version"="{self.version}"\n')
            if self.desktop != DESKTOP_SIZE:
                f.write(f'\n[Software\\\\Wine\\\\Explorer\\\\Desktops] {int(time.time())}\n'
                        f'"{DESKTOP}"="{self.desktop}"\n')
            if self.dpi:
                f.write(f'\n[Control Panel\\\\Desktop] {int(time.time())}\n'
                        f'"LogPixels"=dword:{self.dpi:08x}\n')
            if self.power is not None:
                # The program loads the library from the system folder by its
                # full path; only vespera.exe takes the stand-in there.
                shutil.copy2(self.ctx.power_standin,
                             self.prefix / "drive_c" / "windows" / "system32" / "powrprof.dll")
                f.write(f'\n[Software\\\\Wine\\\\AppDefaults\\\\vespera.exe\\\\DllOverrides] '
                        f'{int(time.time())}\n"powrprof"="native"\n')
        if self.power is not None:
            self.power = dict(self.power, VESPERA_POWER_LOG=r"C:\powrprof.log")
        self.env = wine_env(self.prefix, self.ctx.display, overrides=self.overrides, lang=self.lang)
        self.env.update(self.power or {})
        exe_dir = self.prefix / "drive_c" / "vespera"
        exe_dir.mkdir()
        shutil.copy2(self.ctx.exe, exe_dir / "vespera.exe")
        self.exe_win = r"C:\vespera\vespera.exe"
        self.relay_file = open(self.relay_path, "ab")
        self.explorer = subprocess.Popen(
            wine("explorer", f"/desktop={DESKTOP},{self.desktop}") + ([self.exe_win] if program else []),
            env=self.relay_env(), stdout=subprocess.DEVNULL, stderr=self.relay_file, cwd=exe_dir)
        self.driver = Driver(self.ctx.driver, self.env)
        if program and wait_main:
            self.wait_main()
        return self

    def relay_env(self):
        env = wine_env(self.prefix, self.ctx.display, "-all,+timestamp,+pid,+relay", self.overrides,
                       self.lang)
        env.update(self.power or {})
        return env

    def wait_main(self):
        r = self.driver("wait", "frmMain", 30000, "visible")
        if not r.get("ok"):
            raise AssertionError(f"main window did not appear: {r}; {self.driver('alive')}")
        self.main = r
        self.vespera_pid = self.pids()[0] if self.pids() else None
        return r

    def launch_second(self):
        """Start one more vespera.exe in this session (as a user would)."""
        return subprocess.Popen(wine(self.exe_win), env=self.relay_env(),
                                stdout=subprocess.DEVNULL, stderr=self.relay_file,
                                cwd=self.prefix / "drive_c" / "vespera")

    def stop(self):
        if self.driver:
            self.driver.close()
        subprocess.run(wineserver("-k"), env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        if self.explorer:
            try:
                self.explorer.wait(10)
            except subprocess.TimeoutExpired:
                self.explorer.kill()
        self.relay_file.close()
        keep = os.environ.get("VESPERA_E2E_KEEP", "")
        if not keep or (keep != "1" and keep not in str(self.dir)):
            shutil.rmtree(self.prefix, ignore_errors=True)

    # -- observation --

    def pids(self):
        r = self.driver("alive")
        return r["pids"]

    def unix_processes(self):
        """Unix pids of vespera.exe processes of this prefix (no Wine needed)."""
        found = []
        want = f"WINEPREFIX={self.prefix}".encode()
        for d in Path("/proc").iterdir():
            if not d.name.isdigit():
                continue
            try:
                cmd = (d / "cmdline").read_bytes()
                if b"vespera.exe" not in cmd.lower():
                    continue
                if want in (d / "environ").read_bytes().split(b"\0"):
                    found.append(int(d.name))
            except OSError:
                continue
        return found

    def wait_ended(self, timeout=15):
        end = time.time() + timeout
        while time.time() < end:
            if not self.unix_processes():
                return True
            time.sleep(0.2)
        return False

    def still_running(self):
        """What the vespera.exe processes left are doing: each thread's
        state and the kernel routine it waits in."""
        out = []
        for pid in self.unix_processes():
            for task in Path(f"/proc/{pid}/task").glob("*"):
                try:
                    state = (task / "stat").read_text().rsplit(")", 1)[1].split()[0]
                    out.append(f"{pid}/{task.name} {state} {(task / 'wchan').read_text()}")
                except OSError:
                    continue
        return out

    def relay(self, pid=None, funcs=None, kinds=("Call",)):
        self.relay_file.flush()
        calls = []
        with open(self.relay_path, "rb") as f:
            for raw in f:
                c = Call.parse(raw.decode("utf-8", "replace"))
                if not c:
                    continue
                if kinds and c.kind not in kinds:
                    continue
                if pid is not None and c.pid != pid:
                    continue
                if funcs and c.func not in funcs:
                    continue
                calls.append(c)
        return calls

    def explorer_starts(self, pid):
        """The command lines of the explorer programs that process started."""
        lines = []
        for c in self.relay(pid, ["CreateProcessA", "CreateProcessW", "WinExec"]):
            lines += [t for t in relay_strings(c.raw_args) if t.lower().startswith("explorer ")]
        return lines

    def power_calls(self):
        """The calls the stand-in power library logged: routine names."""
        log = self.prefix / "drive_c" / "powrprof.log"
        return [line.split()[0] for line in log.read_text().splitlines()] if log.exists() else []

    def tray_calls(self, pid=None):
        return self.relay(pid if pid is not None else self.vespera_pid, TRAY_CALLS)

    def screenshot(self, path, rect=None):
        """Save the Wine desktop (or a region of it) as PNG."""
        args = ["import", "-display", self.ctx.display, "-window", "root"]
        if rect:
            x, y, w, h = rect
            args += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
        subprocess.run(args + [str(path)], check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def pixels(self, rect):
        """The desktop's pixels in a rectangle: rows of red, green, blue bytes."""
        x, y, w, h = rect
        return subprocess.run(["import", "-display", self.ctx.display, "-window", "root", "-crop",
                               f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                              capture_output=True, check=True, timeout=30).stdout

    def steady_pixels(self, rect):
        """The pixels once two looks agree: the screen shows what the program drew."""
        seen = [None, None]
        wait_until(lambda: seen.append(self.pixels(rect)) or seen[-1] == seen[-2], LIMIT)
        return seen[-1]

    def colours(self, rect):
        """Number of distinct colours in a region of the desktop."""
        x, y, w, h = rect
        shot = self.dir / "colours.png"
        self.screenshot(shot)
        out = subprocess.run(["convert", str(shot), "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                              "-format", "%k", "info:"], capture_output=True, text=True, timeout=30)
        return int(out.stdout.strip() or 0)

    def screen_rect(self, name, form="frmMain"):
        """Screen rectangle of a control, from the form's client origin."""
        f = self.dump(form)
        c = next(c for c in f["controls"] if c["name"] == name)
        x, y, w, h = c["rect"]
        return [f["client"][0] + x, f["client"][1] + y, w, h]

    # -- helpers on the main window --

    def dump(self, form="frmMain"):
        r = self.driver("dump", form)
        if not r.get("ok"):
            raise AssertionError(f"dump {form}: {r}")
        return r

    def controls(self, form="frmMain"):
        return {c["name"]: c for c in self.dump(form)["controls"] if c["name"]}

    def control(self, name):
        r = self.driver("get", name)
        if not r.get("ok"):
            raise AssertionError(f"get {name}: {r}")
        return r["control"]

    def text(self, name):
        return self.control(name)["text"]

    def wait_text(self, name, want, timeout=LIMIT):
        """The control's text once it is `want`, or the last one read."""
        seen = []

        def arrived():
            seen[:] = [self.text(name)]
            return seen[0] == want

        wait_until(arrived, timeout)
        return seen[0]


def wait_until(fn, timeout=10, step=0.1):
    end = time.time() + timeout
    last = None
    while time.time() < end:
        last = fn()
        if last:
            return last
        time.sleep(step)
    return last
