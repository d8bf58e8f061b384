"""Wine for the end-to-end tests: the build's files, the Wine loader and
server that match it, an X display, and the template prefix that every
session copies (made once, with the desktop, debug and browser settings)."""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

from relay_log import RELAY_FUNCTIONS

REPO = Path(__file__).resolve().parents[2]

DESKTOP = "shell"  # the one desktop name for which Wine's explorer shows a taskbar
DESKTOP_SIZE = "800x600"


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
