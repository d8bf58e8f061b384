// The program's entry point. The C runtime's start-up code is not linked
// (-nostartfiles): msvcrt.dll initialises itself when it is loaded, and of
// what MinGW's start-up adds the program needs nothing but the
// floating-point state set below.
//  - Global constructors and exit handlers: there are none, and the link
//    proves it. A constructor would put an entry into .ctors, which
//    tests/imports/check_imports.py rejects from the link map; an exit
//    handler would call atexit, which only MinGW's start-up code defines, so
//    the link fails.
//  - Runtime pseudo-relocations and TLS callbacks: none either (no data is
//    imported from a DLL, nothing is thread_local); the same check rejects
//    them.
//  - The command line and the show state: the program reads neither.
#include <windows.h>

#include "app/floating_point.h"

extern "C" [[noreturn]] void WinMainCRTStartup() {
  app::SetFloatingPointState();
  const int code = WinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
  ExitProcess(static_cast<UINT>(code));
}
