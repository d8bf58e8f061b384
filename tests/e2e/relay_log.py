"""Wine's relay log: the calls of the routines the program binds at run time,
with timestamps (Wine tick counts, milliseconds), and the command line that
opens the product web page, as the log shows it."""

import re
from pathlib import Path

# Routines whose calls the tests read from the relay log. Function names
# only: several are forwarded from the named library to kernelbase.
RELAY_FUNCTIONS = [
    "Shell_NotifyIconA", "Shell_NotifyIconW", "Shell_NotifyIconGetRect", "ExitWindowsEx", "SetSuspendState", "LockWorkStation",
    "OpenProcessToken", "LookupPrivilegeValueA", "AdjustTokenPrivileges",
    "GetVersionExA", "SetForegroundWindow", "ShellExecuteA", "InitCommonControls",
    "CreateProcessA", "CreateProcessW", "WinExec", "MessageBoxA", "MessageBoxW",
    "ShowWindow", "AppendMenuW", "AppendMenuA", "TrackPopupMenu", "TrackPopupMenuEx",
    "GetPwrCapabilities", "SetWindowTextW",
]

# The tray calls: wide on the NT platform, ANSI on Windows 9x and for the
# messages of shell version 5.
TRAY_CALLS = ["Shell_NotifyIconA", "Shell_NotifyIconW"]

STAMP = r"^\s*(?P<s>\d+)\.(?P<ms>\d{3}):(?P<pid>[0-9a-f]{4}):(?P<tid>[0-9a-f]{4}):(?P<kind>Call|Ret)\s+"
# A routine's call, or a window procedure's: then the message is the routine
# (WM_TIMER: the timer's tick as the window receives it).
RELAY_RE = re.compile(STAMP + r"(?:(?P<module>[\w.]+)\.(?P<func>\w+)\((?P<args>.*)\)"
                      r"|(?P<proc>window proc) \w+ \((?P<msg>hwnd=\w+,msg=(?P<name>\w+),.*)\))\s*(?P<rest>.*)$")


class Call:
    @classmethod
    def parse(cls, line):
        """The call a line of the relay log shows, or None."""
        m = RELAY_RE.match(line)
        if not m:
            return None
        routine = m["module"] is not None
        return cls(int(m["s"]) * 1000 + int(m["ms"]), int(m["pid"], 16), int(m["tid"], 16), m["kind"],
                   m["module"] if routine else m["proc"], m["func"] if routine else m["name"],
                   m["args"] if routine else m["msg"], m["rest"])

    def __init__(self, tick, pid, tid, kind, module, func, args, rest):
        self.tick, self.pid, self.tid, self.kind = tick, pid, tid, kind
        self.module, self.func, self.raw_args, self.rest = module, func, args, rest
        self.args = split_args(args)

    def int_arg(self, i):
        return int(self.args[i], 16)

    def __repr__(self):
        return f"{self.tick}ms {self.pid:04x} {self.kind} {self.func}({self.raw_args}) {self.rest}"


ESCAPES = {"n": "\n", "r": "\r", "t": "\t"}


def unescape(m):
    """One escape of Wine's debug strings: \\n, \\"; \\xHH in a byte text,
    \\HHHH in a wide one."""
    e = m.group(1)
    return chr(int(e.lstrip("x"), 16)) if len(e) > 1 else ESCAPES.get(e, e)


def relay_strings(text):
    """The texts of a relay line's L"..." and "..." arguments, unescaped."""
    return [re.sub(r'\\(x[0-9a-f]{2}|[0-9a-f]{4}|.)', unescape, m)
            for m in re.findall(r'L?"((?:[^"\\]|\\.)*)"', text)]


def web_page(build):
    """The product web page the build was configured with."""
    cache = (Path(build) / "CMakeCache.txt").read_text(errors="replace")
    m = re.search(r"^VESPERA_WEB_PAGE:STRING=(.*)$", cache, re.M)
    return m.group(1) if m else None


def explorer_command_line(page):
    """The command line that opens the web page: the address quoted where
    explorer would take one of its characters as a separator, backslashes
    doubled where a quote follows them, as the command-line parse reads them."""
    enclose = re.search(r"[ \t,=;]", page) is not None
    arg = re.sub(r'(\\*)"', r'\1\1\\"', page)
    if enclose:
        arg = '"' + re.sub(r"(\\+)$", r"\1\1", arg) + '"'
    return f"explorer {arg}"


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
