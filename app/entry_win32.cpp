// The program's entry point. The C runtime's start-up code is not linked
// (-nostartfiles): msvcrt.dll initialises itself when it is loaded, and of
// what MinGW's start-up adds the program needs nothing but the
// floating-point state set below.
//  - Global constructors and exit handlers: there are none, and the build
//    proves it. tests/imports/check_imports.py fails when the link map shows
//    an entry in .ctors or a call of atexit. (Without the start-up code,
//    which defines atexit, ld would bind such a call to msvcrt.dll through a
//    runtime pseudo-relocation that nothing applies: a static with a
//    destructor must be one that is never destroyed.)
//  - Runtime pseudo-relocations and TLS callbacks: none either (no data is
//    imported from a DLL, nothing is thread_local); the same check rejects
//    them.
//  - The command line and the show state: the program reads neither.
#include <windows.h>

#include "app/floating_point.h"
#include "platform/win32/winapi_win32.h"

extern "C" [[noreturn]] void WinMainCRTStartup() {
  app::SetFloatingPointState();
  // Before anything can load a library by its bare name, the default search
  // is the system directory alone: a program started from a download folder
  // would otherwise take a planted DLL from beside itself. Where Windows
  // lacks the routine, the search stays as it is.
  platform::Win32Api().SetDefaultDllDirectories(platform::kLoadLibrarySearchSystem32);
  const int code = WinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
  ExitProcess(static_cast<UINT>(code));
}
