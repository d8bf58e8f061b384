// The Windows routines the program binds at run time, by library name and
// routine name at the first call. A routine or library that cannot be found
// makes its call return 0 (nothing is done); an action's call then reports
// the error ERROR_CALL_NOT_IMPLEMENTED.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

using Handle = std::uintptr_t;

// OSVERSIONINFOA, 148 bytes.
struct OsVersionInfoA {
  std::uint32_t dwOSVersionInfoSize;
  std::uint32_t dwMajorVersion;
  std::uint32_t dwMinorVersion;
  std::uint32_t dwBuildNumber;
  std::uint32_t dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfoA) == 148);

struct Luid {
  std::uint32_t lowPart;
  std::int32_t highPart;
};

// TOKEN_PRIVILEGES holding one privilege, 16 bytes.
struct TokenPrivileges {
  std::uint32_t privilegeCount;
  Luid luid;
  std::uint32_t attributes;
};
static_assert(sizeof(TokenPrivileges) == 16);

// NOTIFYICONDATA in its first version, with a tip of 64 characters, the
// handles 32 bits wide as on the 32-bit system the program is built for:
// the ANSI record is 88 bytes; the wide one, 152 bytes, is the size every
// NT system takes, Windows 2000 and later included.
template <class Char>
struct NotifyIconData1 {
  std::uint32_t cbSize;
  std::uint32_t hWnd;
  std::uint32_t uID;
  std::uint32_t uFlags;
  std::uint32_t uCallbackMessage;
  std::uint32_t hIcon;
  Char szTip[64];
};
using NotifyIconDataA = NotifyIconData1<char>;
using NotifyIconDataW = NotifyIconData1<char16_t>;
static_assert(sizeof(NotifyIconDataA) == 88 && sizeof(NotifyIconDataW) == 152);

// NOTIFYICONIDENTIFIER: the icon by its window and identifier (no GUID).
struct NotifyIconIdentifier {
  std::uint32_t cbSize;
  std::uint32_t hWnd;
  std::uint32_t uID;
  std::uint8_t guidItem[16];
};
static_assert(sizeof(NotifyIconIdentifier) == 28);

// RECT: a rectangle on the screen, in pixels.
struct ScreenRect {
  std::int32_t left, top, right, bottom;
};

// NOTIFYICONDATAA as the messages of shell version 5 (NIM_SETVERSION,
// NIM_SETFOCUS) need it: the 488-byte layout of that version, of which only
// the window, the identifier and uVersion count.
struct NotifyIconVersionA {
  std::uint32_t cbSize;
  std::uint32_t hWnd;
  std::uint32_t uID;
  std::uint8_t before[404];
  std::uint32_t uVersion;
  std::uint8_t after[68];
};
static_assert(sizeof(NotifyIconVersionA) == 488);
static_assert(offsetof(NotifyIconVersionA, uVersion) == 416);

// SetDefaultDllDirectories: the system directory alone.
constexpr std::uint32_t kLoadLibrarySearchSystem32 = 0x800;
// SYSTEM_POWER_CAPABILITIES, 76 bytes: only the sleep states are read. The
// Modern Standby flag (AoAc) came with Windows 8, the hibernation file's type
// with Windows 10 (1: reduced, kept for fast start-up alone); before them
// their bytes are spare and zero.
struct PowerCapabilities {
  std::uint8_t buttonsAndLid[3];
  std::uint8_t systemS1, systemS2, systemS3, systemS4, systemS5;
  std::uint8_t hiberFilePresent;
  std::uint8_t other[11];
  std::uint8_t aoAc;
  std::uint8_t diskSpinDown;
  std::uint8_t hiberFileType;
  std::uint8_t rest[53];
};
static_assert(sizeof(PowerCapabilities) == 76 && offsetof(PowerCapabilities, systemS1) == 3 &&
              offsetof(PowerCapabilities, hiberFilePresent) == 8 &&
              offsetof(PowerCapabilities, aoAc) == 20 &&
              offsetof(PowerCapabilities, hiberFileType) == 22);

class WinApi {
 public:
  virtual ~WinApi() = default;

  // kernel32
  virtual std::int32_t GetVersionExA(OsVersionInfoA* info) = 0;
  virtual Handle GetCurrentProcess() = 0;
  virtual std::int32_t CloseHandle(Handle handle) = 0;
  // Windows 8 and later, 7 and Vista with KB2533623.
  virtual std::int32_t SetDefaultDllDirectories(std::uint32_t directoryFlags) = 0;
  // The calling thread's last error, read right after a call that failed.
  virtual std::uint32_t GetLastError() = 0;
  // user32
  virtual std::int32_t ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
  virtual std::int32_t LockWorkStation() = 0;
  virtual std::int32_t SetForegroundWindow(Handle hwnd) = 0;
  // Powrprof: each argument travels as a 32-bit value
  virtual std::int32_t SetSuspendState(std::int32_t hibernate, std::int32_t force,
                                       std::int32_t wakeupEventsDisabled) = 0;
  // Nonzero when the sleep states were read.
  virtual std::int32_t GetPwrCapabilities(PowerCapabilities* capabilities) = 0;
  // advapi32.dll
  virtual std::int32_t OpenProcessToken(Handle process, std::uint32_t access,
                                        Handle* token) = 0;
  virtual std::int32_t LookupPrivilegeValueA(const char* systemName, const char* name,
                                             Luid* luid) = 0;
  virtual std::int32_t AdjustTokenPrivileges(Handle token, std::int32_t disableAll,
                                             const TokenPrivileges* newState,
                                             std::uint32_t bufferLength,
                                             TokenPrivileges* previousState,
                                             std::uint32_t* returnLength) = 0;
  // shell32
  virtual std::int32_t Shell_NotifyIconA(std::uint32_t message,
                                         const NotifyIconDataA* data) = 0;
  virtual std::int32_t Shell_NotifyIconA(std::uint32_t message,
                                         const NotifyIconVersionA* data) = 0;
  // The NT platform's own call: the tip reaches the shell as it is.
  virtual std::int32_t Shell_NotifyIconW(std::uint32_t message,
                                         const NotifyIconDataW* data) = 0;
  // Windows 7 and later: where the icon is on the screen; 0 (S_OK) when found.
  virtual std::int32_t Shell_NotifyIconGetRect(const NotifyIconIdentifier* identifier,
                                               ScreenRect* rect) = 0;
  // comctl32
  virtual void InitCommonControls() = 0;
};

}  // namespace platform
