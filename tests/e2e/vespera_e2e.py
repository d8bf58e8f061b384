"""Wine sessions for the end-to-end tests of vespera.exe.

A session is one Wine prefix (copied from a template made once), its own
wineserver, a virtual desktop with a taskbar and tray, vespera.exe started in
it, and vdriver.exe running beside it to inspect and drive the windows.
Calls of the routines the program binds at run time are taken from Wine's
relay log, with timestamps (Wine tick counts, milliseconds).
"""

import json
import os
import queue
import re
import shutil
import subprocess
import tempfile
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]

# Routines whose calls the tests read from the relay log. Function names
# only: several are forwarded from the named library to kernelbase.
RELAY_FUNCTIONS = [
    "Shell_NotifyIconA", "ExitWindowsEx", "SetSuspendState", "LockWorkStation",
    "OpenProcessToken", "LookupPrivilegeValueA", "AdjustTokenPrivileges",
    "GetVersionExA", "SetForegroundWindow", "ShellExecuteA", "InitCommonControls",
    "CreateProcessA", "CreateProcessW", "WinExec", "MessageBoxA", "MessageBoxW",
    "ShowWindow", "AppendMenuW", "AppendMenuA", "TrackPopupMenu", "TrackPopupMenuEx",
    "GetPwrCapabilities",
]

DESKTOP = "shell"  # the one desktop name for which Wine's explorer shows a taskbar
DESKTOP_SIZE = "800x600"

RELAY_RE = re.compile(
    r"^\s*(\d+)\.(\d{3}):([0-9a-f]{4}):([0-9a-f]{4}):(Call|Ret)\s+([\w.]+)\.(\w+)\((.*)\)\s*(.*)$")


class DriverGone(Exception):
    """The driver process ended (the Wine session went down)."""


def env_dir():
    return Path(os.environ.get("VESPERA_E2E_WORK", tempfile.gettempdir())) / "vespera-e2e"


def find_build():
    """Directory holding vespera.exe and vdriver.exe."""
    for cand in [os.environ.get("VESPERA_WIN_BUILD"), REPO / "build" / "win"]:
        if cand and (Path(cand) / "vespera.exe").exists():
            return Path(cand)
    return Path(os.environ.get("VESPERA_WIN_BUILD") or REPO / "build" / "win")


def find_power_standin(build):
    """The stand-in powrprof.dll built beside the driver."""
    p = build / "tests" / "e2e" / "driver" / "powrprof.dll"
    return p if p.exists() else None


def find_driver(build):
    for p in [build / "tests" / "e2e" / "driver" / "vdriver.exe", build / "vdriver.exe"]:
        if p.exists():
            return p
    return None


class WineTools:
    """The Wine loader and server matching the build: a 32-bit build runs
    under 32-bit Wine, a 64-bit test build (for machines whose Wine cannot
    run 32-bit programs) under 64-bit Wine. Named by path: with both Wines
    installed, the generic `wineserver` picks the 64-bit server."""

    def __init__(self, exe):
        bits = "64" if pe_machine(exe) == 0x8664 else "32"
        self.arch = f"win{bits}"
        self.wine = "/usr/lib/wine/wine64" if bits == "64" else "/usr/lib/wine/wine"
        self.server = f"/usr/lib/wine/wineserver{bits}"


def pe_machine(exe):
    """The machine field of a PE file's header (0x14c: x86, 0x8664: x64)."""
    try:
        data = Path(exe).read_bytes()[:4096]
        pe = int.from_bytes(data[0x3c:0x40], "little")
        if data[:2] == b"MZ" and data[pe:pe + 4] == b"PE\0\0":
            return int.from_bytes(data[pe + 4:pe + 6], "little")
    except OSError:
        pass
    return 0x14c


_tools = None


def tools():
    global _tools
    if _tools is None:
        _tools = WineTools(find_build() / "vespera.exe")
    return _tools


def wine(*args):
    return [tools().wine, *map(str, args)]


def wineserver(*args):
    return [tools().server, *args]


def wine_env(prefix, display, debug="-all", overrides="", lang="zh_CN.UTF-8"):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": str(prefix), "WINEARCH": tools().arch, "WINEDEBUG": debug,
        "WINESERVER": tools().server, "WINELOADER": tools().wine,
        "DISPLAY": display, "LANG": lang, "LC_ALL": lang,
        "WINEDLLOVERRIDES": ";".join(filter(None, ["mscoree,mshtml=", overrides])),
    })
    return env


class Display:
    """An X display: the one requested, or a private Xvfb."""

    def __init__(self):
        self.proc = None
        self.name = os.environ.get("VESPERA_E2E_DISPLAY") or ""

    def start(self):
        if self.name:
            return self.name
        # Xvfb picks a free display itself: no race between parallel workers.
        proc = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        number = proc.stdout.readline().decode().strip()
        if not number.isdigit():
            proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.proc, self.name = proc, f":{number}"
        return self.name

    def stop(self):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
            self.proc = None


def make_template(display, template):
    """A fresh prefix with the desktop, debug and browser settings."""
    relay = ";".join(RELAY_FUNCTIONS)
    marker = template / ".vespera-ready"
    if marker.exists() and marker.read_text() == relay:
        return template
    env = wine_env(template, display)
    # Making a prefix can take minutes on a loaded machine.
    if not (template / "system.reg").exists():
        template.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(wine("wineboot", "-i"), env=env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=1200)
    reg = "\r\n".join([
        "REGEDIT4", "",
        r"[HKEY_CURRENT_USER\Software\Wine\Explorer]",
        f'"Desktop"="{DESKTOP}"', "",
        r"[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]",
        f'"{DESKTOP}"="{DESKTOP_SIZE}"', "",
        r"[HKEY_CURRENT_USER\Software\Wine\Debug]",
        f'"RelayInclude"="{relay}"', "",
        r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]",
        '"ShowCrashDialog"=dword:00000000', "",
        # No host browser: a web address opened in the session goes nowhere.
        r"[HKEY_CURRENT_USER\Software\Wine\WineBrowser]",
        '"Browsers"="true"', "",
        "",
    ])
    regfile = template / "drive_c" / "vespera-e2e.reg"
    regfile.write_text(reg, encoding="ascii")
    subprocess.run(wine("regedit", "/S", r"C:\vespera-e2e.reg"), env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    subprocess.run(wineserver("-w"), env=env, timeout=600)
    regfile.unlink()
    marker.write_text(relay)
    return template


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


class Call:
    def __init__(self, tick, pid, tid, kind, module, func, args, rest):
        self.tick, self.pid, self.tid, self.kind = tick, pid, tid, kind
        self.module, self.func, self.raw_args, self.rest = module, func, args, rest
        self.args = split_args(args)

    def int_arg(self, i):
        return int(self.args[i], 16)

    def __repr__(self):
        return f"{self.tick}ms {self.pid:04x} {self.kind} {self.func}({self.raw_args}) {self.rest}"


def relay_strings(text):
    """The texts of a relay line's L"..." and "..." arguments, unescaped."""
    return [re.sub(r'\\(.)', r'\1', m) for m in re.findall(r'L?"((?:[^"\\]|\\.)*)"', text)]


def web_page(build):
    """The product web page the build was configured with."""
    cache = (Path(build) / "CMakeCache.txt").read_text(errors="replace")
    m = re.search(r"^VESPERA_WEB_PAGE:STRING=(.*)$", cache, re.M)
    return m.group(1) if m else None


def explorer_command_line(page):
    """The command line that opens the web page: the address quoted where
    explorer would take one of its characters as a separator."""
    return f'explorer "{page}"' if re.search(r"[ \t,=;]", page) else f"explorer {page}"


def split_args(text):
    out, cur, quote = [], "", False
    for ch in text:
        if ch == '"':
            quote = not quote
        if ch == "," and not quote:
            out.append(cur)
            cur = ""
        else:
            cur += ch
    if cur or out:
        out.append(cur)
    return out


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
            raise AssertionError(f"main window did not appear: {r}")
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
        if not os.environ.get("VESPERA_E2E_KEEP"):
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

    def relay(self, pid=None, funcs=None, kinds=("Call",)):
        self.relay_file.flush()
        calls = []
        with open(self.relay_path, "rb") as f:
            for raw in f:
                m = RELAY_RE.match(raw.decode("utf-8", "replace"))
                if not m:
                    continue
                c = Call(int(m[1]) * 1000 + int(m[2]), int(m[3], 16), int(m[4], 16), m[5],
                         m[6], m[7], m[8], m[9])
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
        return [c for c in self.relay(pid if pid is not None else self.vespera_pid, ["Shell_NotifyIconA"])]

    def screenshot(self, path, rect=None):
        """Save the Wine desktop (or a region of it) as PNG."""
        args = ["import", "-display", self.ctx.display, "-window", "root"]
        if rect:
            x, y, w, h = rect
            args += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
        subprocess.run(args + [str(path)], check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

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


class Context:
    """What every session shares: display, template prefix, binaries."""

    def __init__(self):
        self.build = find_build()
        self.exe = self.build / "vespera.exe"
        self.driver = find_driver(self.build)
        self.power_standin = find_power_standin(self.build)
        self.work = env_dir()
        self.work.mkdir(parents=True, exist_ok=True)
        self.display_owner = Display()
        self.display = None
        self.template = self.work / f"template-{tools().arch}"
        self.shots = Path(os.environ.get("VESPERA_E2E_SHOTS", self.build / "e2e-screenshots"))

    def missing(self):
        if not self.exe.exists():
            return f"{self.exe} not built"
        if not self.driver:
            return f"vdriver.exe not built under {self.build}"
        for tool in [tools().wine, tools().server, "import"]:
            if not shutil.which(tool):
                return f"{tool} not installed"
        return None

    def start(self):
        self.display = self.display_owner.start()
        lock = self.work / "template.lock"
        import fcntl
        with open(lock, "w") as f:
            fcntl.flock(f, fcntl.LOCK_EX)
            make_template(self.display, self.template)
        return self

    def stop(self):
        self.display_owner.stop()


_context = None


def context():
    """The shared context of this test process (started on first use)."""
    global _context
    if _context is None:
        _context = Context()
        why = _context.missing()
        if why:
            raise RuntimeError(why)
        _context.start()
        import atexit
        atexit.register(_context.stop)
    return _context


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


def wait_until(fn, timeout=10, step=0.1):
    end = time.time() + timeout
    last = None
    while time.time() < end:
        last = fn()
        if last:
            return last
        time.sleep(step)
    return last
