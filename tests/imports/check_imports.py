#!/usr/bin/env python3
"""Checks that a built vespera.exe can run on Windows XP SP3 as it is shipped.

It fails when the program
  - imports a routine that must be bound at run time instead,
  - imports from a DLL that is not one of Windows' own (a MinGW runtime DLL
    such as libstdc++-6.dll, libgcc_s_*.dll or libwinpthread-1.dll means the
    program was not linked statically),
  - imports a routine from a known list of routines that Windows XP SP3 does
    not have (added in Server 2003, Vista or later),
  - is not a 32-bit x86 GUI program with subsystem version 5.01,
  - lacks DYNAMIC_BASE, NX_COMPAT, TERMINAL_SERVICE_AWARE or NO_SEH, or has
    DYNAMIC_BASE without base relocations (the loader could not move it),
  - is larger than its size budget (75 KiB); the size is always printed,
    and bench/size tells where the bytes go,
  - was linked with something that only the C runtime's start-up code would
    run, as the link map (vespera.map beside the program) shows: global
    constructors or destructors (.ctors, .dtors, .CRT$XC/XI), an exit
    handler (atexit, _onexit, __cxa_atexit), runtime pseudo-relocations, or
    TLS data and callbacks. The program has its own entry point
    (app/entry_win32.cpp), which runs none of these.

The list of post-XP routines is a deny-list of well-known names, not a full
comparison with what the XP SP3 system DLLs export: a routine missing from
it can still be absent on XP. Running the program under an XP system is the
only complete check.

Usage: check_imports.py [--objdump TOOL] [--max-size BYTES] [--map FILE] program.exe
       check_imports.py --self-test
"""
import argparse
import os
import re
import subprocess
import sys

# Bound at run time through platform::WinApi; a static import would tie the
# program to systems that have them and hide them from the binding table.
RUN_TIME_BOUND = {
    "GetVersionExA", "ExitWindowsEx", "SetSuspendState", "LockWorkStation",
    "GetCurrentProcess", "OpenProcessToken", "LookupPrivilegeValueA",
    "AdjustTokenPrivileges", "Shell_NotifyIconA", "SetForegroundWindow",
    "InitCommonControls", "ShellExecuteA", "SetDefaultDllDirectories", "GetPwrCapabilities",
    "NotifyWinEvent",
}

SIZE_BUDGET = 76800  # 75 KiB
HEADER_FLAGS = ("DYNAMIC_BASE", "NX_COMPAT", "TERMINAL_SERVICE_AWARE", "NO_SEH")

# DLLs that Windows XP SP3 ships in its system directory.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
    "shell32.dll", "comctl32.dll", "comdlg32.dll", "ole32.dll", "oleaut32.dll",
    "shlwapi.dll", "uxtheme.dll", "version.dll", "winmm.dll", "imm32.dll",
    "ws2_32.dll", "powrprof.dll", "ntdll.dll",
}

# Well-known routines of these DLLs that XP SP3 lacks.
POST_XP = {
    "kernel32.dll": {
        "GetTickCount64", "InitializeCriticalSectionEx",
        "InitOnceExecuteOnce", "InitOnceInitialize", "InitOnceBeginInitialize",
        "InitOnceComplete",
        "InitializeSRWLock", "AcquireSRWLockExclusive", "AcquireSRWLockShared",
        "ReleaseSRWLockExclusive", "ReleaseSRWLockShared",
        "TryAcquireSRWLockExclusive", "TryAcquireSRWLockShared",
        "InitializeConditionVariable", "SleepConditionVariableCS",
        "SleepConditionVariableSRW", "WakeConditionVariable", "WakeAllConditionVariable",
        "FlsAlloc", "FlsFree", "FlsGetValue", "FlsSetValue",
        "CreateEventExA", "CreateEventExW", "CreateMutexExA", "CreateMutexExW",
        "CreateSemaphoreExA", "CreateSemaphoreExW", "CreateWaitableTimerExW",
        "GetFileInformationByHandleEx", "SetFileInformationByHandle",
        "GetFinalPathNameByHandleA", "GetFinalPathNameByHandleW",
        "CreateSymbolicLinkA", "CreateSymbolicLinkW",
        "QueryFullProcessImageNameA", "QueryFullProcessImageNameW",
        "GetCurrentProcessorNumber", "GetSystemTimePreciseAsFileTime",
        "GetLocaleInfoEx", "GetDateFormatEx", "GetTimeFormatEx", "GetNumberFormatEx",
        "GetCurrencyFormatEx", "LCMapStringEx", "CompareStringEx", "CompareStringOrdinal",
        "GetUserDefaultLocaleName", "GetSystemDefaultLocaleName", "LocaleNameToLCID",
        "LCIDToLocaleName", "ResolveLocaleName", "IsValidLocaleName", "EnumSystemLocalesEx",
        "GetThreadUILanguage", "SetThreadStackGuarantee", "CancelIoEx", "CancelSynchronousIo",
        "GetQueuedCompletionStatusEx", "SetFileCompletionNotificationModes",
        "RegisterApplicationRestart", "RegisterApplicationRecoveryCallback",
        "GetProductInfo", "QueryThreadCycleTime", "QueryProcessCycleTime", "GetErrorMode",
        "SetThreadErrorMode", "GetThreadErrorMode", "CreateRemoteThreadEx",
        "GetLogicalProcessorInformationEx", "GetActiveProcessorCount",
        "GetMaximumProcessorCount", "RaiseFailFastException",
        "SetDefaultDllDirectories", "AddDllDirectory", "RemoveDllDirectory",
        "GetOverlappedResultEx", "CreateFile2", "InitializeProcThreadAttributeList",
        "UpdateProcThreadAttribute", "DeleteProcThreadAttributeList",
        "InterlockedCompareExchange64", "GetNamedPipeClientProcessId",
    },
    "user32.dll": {
        "SetProcessDPIAware", "IsProcessDPIAware", "SetProcessDpiAwarenessContext",
        "GetDpiForWindow", "GetDpiForSystem", "AdjustWindowRectExForDpi",
        "GetSystemMetricsForDpi", "EnableNonClientDpiScaling",
        "ChangeWindowMessageFilter", "ChangeWindowMessageFilterEx",
        "AddClipboardFormatListener", "RemoveClipboardFormatListener",
        "ShutdownBlockReasonCreate", "ShutdownBlockReasonDestroy", "ShutdownBlockReasonQuery",
        "RegisterPowerSettingNotification", "UnregisterPowerSettingNotification",
        "SetWindowDisplayAffinity", "GetWindowDisplayAffinity",
        "RegisterTouchWindow", "GetTouchInputInfo", "CloseTouchInputHandle",
        "CalculatePopupWindowPosition", "LogicalToPhysicalPoint", "PhysicalToLogicalPoint",
        "GetGestureInfo", "SetGestureConfig", "EnableMouseInPointer", "GetPointerInfo",
    },
    "advapi32.dll": {
        "RegGetValueA", "RegGetValueW", "RegDeleteKeyExA", "RegDeleteKeyExW",
        "RegDeleteTreeA", "RegDeleteTreeW", "RegCopyTreeA", "RegCopyTreeW",
        "RegSetKeyValueA", "RegSetKeyValueW", "RegDeleteKeyValueA", "RegDeleteKeyValueW",
        "RegLoadMUIStringA", "RegLoadMUIStringW", "RegOpenKeyTransactedA",
        "RegOpenKeyTransactedW", "EventRegister", "EventUnregister", "EventWrite",
        "EventEnabled", "AddMandatoryAce",
    },
    "msvcrt.dll": {
        "_fseeki64", "_ftelli64", "_get_invalid_parameter_handler",
        "_set_invalid_parameter_handler", "_set_abort_behavior",
        "_create_locale", "_free_locale", "_get_current_locale",
    },
}

# XP's msvcrt.dll has neither the checked "_s" routines nor the "_l" locale ones.
POST_XP_PATTERNS = {
    "msvcrt.dll": [re.compile(r".+_s$"), re.compile(r".+_l$")],
    "kernel32.dll": [re.compile(r"^K32")],
}


def parse(objdump_text):
    """Returns (header fields, [(dll, routine)]) from `objdump -p` output."""
    header = {}
    imports = []
    dll = None
    in_table = False
    for line in objdump_text.splitlines():
        stripped = line.strip()
        m = re.match(r"^(Major|Minor)(Subsystem|OperatingSystem)Version\s+(\d+)", stripped)
        if m:
            header[m.group(1) + m.group(2)] = int(m.group(3))
        m = re.match(r"^Subsystem\s+([0-9a-fA-F]+)", stripped)
        if m:
            header["Subsystem"] = int(m.group(1), 16)
        if stripped in HEADER_FLAGS:
            header.setdefault("flags", set()).add(stripped)
        if stripped == "relocations stripped":
            header["relocationsStripped"] = True
        m = re.match(r"^Entry 5\s+[0-9a-fA-F]+\s+([0-9a-fA-F]+)\s+Base Relocation", stripped)
        if m:
            header["relocationBytes"] = int(m.group(1), 16)
        m = re.search(r"file format (\S+)", stripped)
        if m:
            header["format"] = m.group(1)
        m = re.match(r"^DLL Name:\s*(\S+)", stripped)
        if m:
            dll, in_table = m.group(1), False
            continue
        if dll and re.match(r"^vma:\s+Hint", stripped):
            in_table = True
            continue
        if in_table:
            if not stripped:
                dll, in_table = None, False
                continue
            fields = stripped.split()
            if len(fields) >= 3 and fields[2] != "<none>":
                imports.append((dll, fields[2]))
            elif len(fields) >= 2:
                imports.append((dll, "#" + fields[1]))
    return header, imports


def problems(header, imports, size=None, budget=SIZE_BUDGET):
    found = []
    if size is not None and size > budget:
        found.append(f"{size} bytes, over the budget of {budget} bytes by {size - budget}")
    for flag in HEADER_FLAGS:
        if flag not in header.get("flags", ()):
            found.append(f"{flag} not set")
    if header.get("relocationsStripped") or not header.get("relocationBytes"):
        found.append("no base relocations: DYNAMIC_BASE cannot move the image")
    if header.get("format") != "pei-i386":
        found.append(f"not a 32-bit x86 program (format {header.get('format')})")
    version = (header.get("MajorSubsystem"), header.get("MinorSubsystem"))
    if version != (5, 1):
        found.append(f"subsystem version {version[0]}.{version[1]}, expected 5.01")
    if header.get("Subsystem") != 2:
        found.append(f"subsystem {header.get('Subsystem')}, expected 2 (Windows GUI)")
    if not imports:
        found.append("no imports found: not a program, or the table was not read")
    for dll, routine in imports:
        key = dll.lower()
        if key not in SYSTEM_DLLS:
            found.append(f"{dll}: not a Windows system DLL ({routine})")
        if routine in RUN_TIME_BOUND:
            found.append(f"{dll}!{routine}: must be bound at run time, not imported")
        if routine in POST_XP.get(key, ()) or any(
                p.match(routine) for p in POST_XP_PATTERNS.get(key, ())):
            found.append(f"{dll}!{routine}: not on Windows XP SP3")
    return found


# Input sections and symbols of the link map that only the C runtime's
# start-up code would act on.
START_UP_SECTIONS = [
    (re.compile(r"^\.(ctors|dtors)(\.\d+)?$"), "a global constructor or destructor"),
    (re.compile(r"^\.CRT\$X[CI]"), "a C or C++ initialiser"),
    (re.compile(r"^\.rdata_runtime_pseudo_reloc$"), "a runtime pseudo-relocation"),
    (re.compile(r"^\.tls"), "TLS data"),
    (re.compile(r"^\.CRT\$XL"), "a TLS callback"),
]
EXIT_HANDLER = re.compile(r"\b_*(?:imp_+|fu\d+_+)?(atexit|onexit|cxa_atexit|at_quick_exit)\b")
MAP_ENTRY = re.compile(r"^ (\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")


def start_up_problems(map_text):
    """What in the link map would need the C runtime's start-up code."""
    found = []
    pending = None
    for line in map_text.splitlines():
        m = EXIT_HANDLER.search(line)
        if m and not line.startswith(("LOAD ", "OUTPUT(")):
            found.append(f"an exit handler ({m.group(1)}): {line.strip()}")
        if re.match(r"^ \.\S+$", line):  # a long input section name: numbers follow
            pending = line.strip()
            continue
        m = MAP_ENTRY.match(line)
        section = (m.group(1) or pending) if m else None
        pending = None
        if not section or int(m.group(3), 16) == 0:
            continue
        for pattern, what in START_UP_SECTIONS:
            if pattern.match(section):
                found.append(f"{what} ({section}, {int(m.group(3), 16)} bytes) from "
                             f"{m.group(4).strip()}")
    return found


def self_test():
    sample = """
prog.exe:     file format pei-i386
Characteristics 0x30e
\texecutable
MajorSubsystemVersion\t6
MinorSubsystemVersion\t0
Subsystem\t\t00000003\t(Windows CUI)
DllCharacteristics\t00008040
\t\t\t\t\tDYNAMIC_BASE
\t\t\t\t\tTERMINAL_SERVICE_AWARE

\tDLL Name: KERNEL32.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t402fc\t  136  CloseHandle
\t4030a\t  222  GetCurrentProcess
\t4031a\t  233  InitializeCriticalSectionEx
\t4032a\t  234  K32EnumProcesses

\tDLL Name: msvcrt.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t40400\t  100  strcpy_s
\t40410\t  101  malloc

\tDLL Name: libstdc++-6.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t40500\t    5  _ZNSt8ios_base4InitC1Ev

\tDLL Name: comctl32.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t80000011\t   17  <none>
"""
    header, imports = parse(sample)
    assert ("comctl32.dll", "#17") in imports, imports
    assert ("KERNEL32.dll", "CloseHandle") in imports, imports
    found = "\n".join(problems(header, imports, size=SIZE_BUDGET + 1))
    expected = ["subsystem version 6.0", "NX_COMPAT not set", "NO_SEH not set",
                "no base relocations", f"{SIZE_BUDGET + 1} bytes, over the budget", "subsystem 3", "GetCurrentProcess: must be bound",
                "InitializeCriticalSectionEx: not on", "K32EnumProcesses: not on",
                "strcpy_s: not on", "libstdc++-6.dll: not a Windows system DLL"]
    missing = [e for e in expected if e not in found]
    assert not missing, f"not reported: {missing}\nreported:\n{found}"
    assert "CloseHandle" not in found and "malloc" not in found, found
    clean = sample.replace("DYNAMIC_BASE\n", "DYNAMIC_BASE\n\t\t\t\t\tNX_COMPAT\n\t\t\t\t\tNO_SEH\n"
                           "Entry 5 00013000 0000077c Base Relocation Directory [.reloc]\n")
    clean = clean.replace("\t6\n", "\t5\n", 1).replace("\t0\n", "\t1\n", 1)
    clean = clean.replace("00000003", "00000002")
    header, _ = parse(clean)
    assert not problems(header, [("KERNEL32.dll", "CloseHandle")], size=SIZE_BUDGET), \
        problems(header, [], size=SIZE_BUDGET)
    # Each flag on its own: the image fails without it.
    for flag in HEADER_FLAGS:
        header, _ = parse(clean.replace(f"\t{flag}\n", "\n"))
        assert problems(header, [("KERNEL32.dll", "CloseHandle")]) == [f"{flag} not set"], flag
    header, _ = parse(clean.replace("0000077c Base", "00000000 Base"))
    assert problems(header, [("KERNEL32.dll", "CloseHandle")]) == \
        ["no base relocations: DYNAMIC_BASE cannot move the image"]
    header, _ = parse(clean.replace("\texecutable\n", "\texecutable\n\trelocations stripped\n"))
    assert problems(header, [("KERNEL32.dll", "CloseHandle")]), "relocations stripped"
    dirty_map = """
 .text          0x00401000     0xbde0 /tmp/cc1.ltrans0.ltrans.o
                0x004058b2                _fu0__atexit
 .ctors.65535   0x0040fa64        0x4 /usr/lib/gcc/crtend.o
 .ctors         0x0040fa68        0x4 /tmp/cc1.ltrans0.ltrans.o
 .rdata_runtime_pseudo_reloc
                0x0040ff68       0x18 vespera_exe_rtr000000.o
 .tls           0x00413000        0x8 /tmp/cc1.ltrans0.ltrans.o
 .CRT$XLC       0x00414000        0x4 /usr/lib/libmingw32.a(tlssup.o)
 .CRT$XCU       0x00414004        0x4 /tmp/cc1.ltrans0.ltrans.o
"""
    found = "\n".join(start_up_problems(dirty_map))
    expected = ["exit handler (atexit)", "constructor or destructor (.ctors.65535",
                "constructor or destructor (.ctors,", "pseudo-relocation", "TLS data",
                "TLS callback", "initialiser (.CRT$XCU"]
    missing = [e for e in expected if e not in found]
    assert not missing, f"not reported: {missing}\nreported:\n{found}"
    clean_map = """
 *(.ctors)
 *(SORT_BY_NAME(.ctors.*))
 .text          0x00401000     0xbde0 /tmp/cc1.ltrans0.ltrans.o
                0x00401000                WinMainCRTStartup
 *(.rdata_runtime_pseudo_reloc)
                0x0040ff68                        __rt_psrelocs_start = .
 .tls           0x00413000        0x0 /tmp/cc1.ltrans0.ltrans.o
"""
    assert not start_up_problems(clean_map), start_up_problems(clean_map)
    print("check_imports self-test: 1 passed, 0 failed")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", nargs="?")
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("--self-test", action="store_true")
    parser.add_argument("--max-size", type=int, default=SIZE_BUDGET)
    parser.add_argument("--map", help="link map (default: vespera.map beside the program)")
    args = parser.parse_args()
    if args.self_test:
        self_test()
        return 0
    if not args.program:
        parser.error("program.exe is required")
    text = subprocess.run([args.objdump, "-p", args.program], check=True,
                          capture_output=True, text=True).stdout
    header, imports = parse(text)
    size = os.path.getsize(args.program)
    found = problems(header, imports, size, args.max_size)
    map_file = args.map or os.path.join(os.path.dirname(args.program) or ".", "vespera.map")
    if os.path.exists(map_file):
        with open(map_file, errors="replace") as f:
            found += start_up_problems(f.read())
    else:
        found.append(f"no link map {map_file}: what the program links cannot be checked")
    for p in found:
        print(f"FAIL {p}")
    dlls = sorted({d for d, _ in imports}, key=str.lower)
    print(f"{args.program}: {len(imports)} routines from {', '.join(dlls)}; "
          f"subsystem {header.get('MajorSubsystem')}.{header.get('MinorSubsystem'):02d}; "
          f"{size} bytes of a budget of {args.max_size} ({size / 1024:.1f} of "
          f"{args.max_size / 1024:.0f} KiB)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
