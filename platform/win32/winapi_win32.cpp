#include "platform/win32/winapi_win32.h"

#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

namespace platform {
namespace {

// Every routine bound at run time: library name as the program gives it,
// routine name, result type and argument types. The argument types are the
// program's own; on 32-bit x86 (stdcall) each is passed exactly as the real
// routine expects it.
//
// SetSuspendState and GetPwrCapabilities return a BOOLEAN in AL only, so
// their result is read as one byte; SetSuspendState's BOOLEAN arguments are
// pushed as 32-bit values either way.
#define VESPERA_BOUND_ROUTINES(X)                                                        \
  X(GetVersionExA, "kernel32", std::int32_t, (OsVersionInfoA*))                          \
  X(GetCurrentProcess, "kernel32", Handle, ())                                           \
  X(SetDefaultDllDirectories, "kernel32", std::int32_t, (std::uint32_t))                 \
  X(ExitWindowsEx, "user32", std::int32_t, (std::uint32_t, std::uint32_t))               \
  X(SetForegroundWindow, "user32", std::int32_t, (Handle))                               \
  X(LockWorkStation, "user32.dll", std::int32_t, ())                                     \
  X(SetSuspendState, "Powrprof", std::uint8_t, (std::int32_t, std::int32_t, std::int32_t)) \
  X(GetPwrCapabilities, "Powrprof", std::uint8_t, (PowerCapabilities*))                  \
  X(OpenProcessToken, "advapi32.dll", std::int32_t, (Handle, std::uint32_t, Handle*))    \
  X(LookupPrivilegeValueA, "advapi32.dll", std::int32_t, (const char*, const char*, Luid*)) \
  X(AdjustTokenPrivileges, "advapi32.dll", std::int32_t,                                 \
    (Handle, std::int32_t, const TokenPrivileges*, std::uint32_t, TokenPrivileges*,       \
     std::uint32_t*))                                                                    \
  X(Shell_NotifyIconA, "shell32", std::int32_t, (std::uint32_t, NOTIFYICONDATAA*))       \
  X(Shell_NotifyIconW, "shell32", std::int32_t, (std::uint32_t, NOTIFYICONDATAW*))       \
  X(Shell_NotifyIconGetRect, "shell32", HRESULT, (const NOTIFYICONIDENTIFIER*, RECT*))   \
  X(InitCommonControls, "comctl32", void, ())                                           \
  X(ImmAssociateContext, "imm32", Handle, (Handle, Handle))                              \
  X(GetDpiForWindow, "user32", std::uint32_t, (HWND))                                    \
  X(GetDpiForMonitor, "shcore", std::int32_t, (HMONITOR, std::int32_t, std::uint32_t*, std::uint32_t*)) \
  X(AdjustWindowRectExForDpi, "user32", std::int32_t,                                    \
    (RECT*, std::uint32_t, std::int32_t, std::uint32_t, std::uint32_t))                   \
  X(ChangeWindowMessageFilterEx, "user32", std::int32_t, (HWND, std::uint32_t, std::uint32_t, void*)) \
  X(ChangeWindowMessageFilter, "user32", std::int32_t, (std::uint32_t, std::uint32_t))   \
  X(NotifyWinEvent, "user32", void, (std::uint32_t, Handle, std::int32_t, std::int32_t)) \
  X(CoInitialize, "ole32", HRESULT, (void*))                                             \
  X(CoCreateInstance, "ole32", HRESULT, (REFCLSID, IUnknown*, DWORD, REFIID, void**))

static_assert(sizeof(Handle) == sizeof(HANDLE), "a handle travels as the program's Handle");
static_assert(sizeof(HANDLE) == 8 || NOTIFYICONDATAA_V1_SIZE == sizeof(NotifyIconDataA),
              "on 32-bit Windows the tray record is the first version of NOTIFYICONDATAA");
static_assert(sizeof(HANDLE) == 8 || (NOTIFYICONDATAW_V1_SIZE == sizeof(NotifyIconDataW) &&
                                      sizeof(NOTIFYICONIDENTIFIER) == sizeof(NotifyIconIdentifier)),
              "on 32-bit Windows the wide record and the identifier are the program's own");
static_assert(sizeof(RECT) == sizeof(ScreenRect), "a RECT is read as the program's ScreenRect");
static_assert(sizeof(HANDLE) == 8 || (NOTIFYICONDATAA_V2_SIZE == sizeof(NotifyIconVersionA) &&
                                      offsetof(NOTIFYICONDATAA, uVersion) == 416),
              "on 32-bit Windows NIM_SETVERSION's record is the 488-byte NOTIFYICONDATAA");

// The library's file name: a name without an extension gets ".dll", as
// LoadLibrary would add it.
std::wstring LibraryFileName(const char* name) {
  std::wstring file;
  for (const char* c = name; *c != '\0'; ++c) file += static_cast<wchar_t>(*c);
  if (std::strchr(name, '.') == nullptr) file += L".dll";
  return file;
}

// The program's manifest asks for the version-6 common controls, which live
// outside the system directory. Only the activation context can name them,
// and where it does, a bare name never reaches the program's directory.
bool RedirectedBySideBySide(const std::wstring& file) {
  ACTCTX_SECTION_KEYED_DATA data{};
  data.cbSize = sizeof(data);
  return FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                  file.c_str(), &data) != FALSE;
}

HMODULE LoadSystemLibrary(const std::wstring& file) {
  if (RedirectedBySideBySide(file)) return LoadLibraryW(file.c_str());
  wchar_t dir[MAX_PATH];
  const UINT length = GetSystemDirectoryW(dir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring path(dir, length);
  if (path.back() != L'\\') path += L'\\';
  path += file;
  // A full path never searches the program's directory or the current one;
  // the altered search path takes the library's own dependencies from the
  // system directory too.
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Loaded libraries, one entry per file: "user32" and "user32.dll" share one.
HMODULE SystemLibrary(const char* name) {
  struct Loaded {
    std::wstring file;
    HMODULE module;
  };
  // Kept until the process ends, never destroyed: the program runs no exit
  // handlers (app/entry_win32.cpp).
  static std::array<Loaded, 10>& loaded = *new std::array<Loaded, 10>;
  static std::size_t count = 0;

  const std::wstring file = LibraryFileName(name);
  for (std::size_t i = 0; i < count; ++i) {
    if (lstrcmpiW(loaded[i].file.c_str(), file.c_str()) == 0) return loaded[i].module;
  }
  HMODULE module = LoadSystemLibrary(file);
  if (count < loaded.size()) loaded[count++] = {file, module};
  return module;
}

// A tip cut to the full 64 bytes has no NUL for the shell to stop at: cut it
// before the last whole character that leaves room for one.
void TerminateTip(char* tip) {
  constexpr std::size_t kField = 64;
  if (std::memchr(tip, '\0', kField) != nullptr) return;
  std::size_t end = 0;
  if (GetACP() == CP_UTF8) {
    // Back from the last byte to the first of its character.
    end = kField - 1;
    while (end > 0 && (static_cast<BYTE>(tip[end]) & 0xC0) == 0x80) --end;
    tip[end] = '\0';
    return;
  }
  while (end < kField) {
    const std::size_t width = IsDBCSLeadByte(static_cast<BYTE>(tip[end])) ? 2 : 1;
    if (end + width > kField - 1) break;
    end += width;
  }
  tip[end] = '\0';
}

// Where a routine is found: its library and its name.
struct RoutineName {
  const char* library;
  const char* routine;
};

// The address of one routine, looked up once; a failed look-up is not
// repeated. The names are constants and the state starts as zeros, so the
// table of routines below is zero-initialised data, which takes no room in
// the program file.
class Lookup {
 public:
  FARPROC Address(const RoutineName& name) {
    if (!lookedUp_) {
      lookedUp_ = true;
      if (HMODULE module = SystemLibrary(name.library)) {
        address_ = GetProcAddress(module, name.routine);
      }
    }
    return address_;
  }

 private:
  bool lookedUp_ = false;
  FARPROC address_ = nullptr;
};

// The same with the routine's type; the look-up itself is shared by all.
template <typename Signature, const RoutineName& Name>
class Bound : Lookup {
 public:
  Signature* Get() {
    return reinterpret_cast<Signature*>(reinterpret_cast<void (*)()>(Address(Name)));
  }
};

struct Routines {
#define VESPERA_DECLARE(name, library, result, params)          \
  using name##_t = result WINAPI params;                     \
  static constexpr RoutineName name##_name{library, #name}; \
  Bound<name##_t, name##_name> name;
  VESPERA_BOUND_ROUTINES(VESPERA_DECLARE)
#undef VESPERA_DECLARE
};

// Constant-initialised (the names are constants, the states zeros), so it
// is ready before any code runs and needs no destruction.
constinit Routines routines;

// An action whose routine this system lacks fails as a call the system does
// not implement, not with whatever error an earlier call left behind.
std::int32_t Missing() {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return 0;
}

class Win32WinApi final : public WinApi {
 public:
  std::int32_t GetVersionExA(OsVersionInfoA* info) override {
    auto* f = routines.GetVersionExA.Get();
    return f ? f(info) : 0;
  }
  Handle GetCurrentProcess() override {
    auto* f = routines.GetCurrentProcess.Get();
    return f ? f() : 0;
  }
  std::int32_t SetDefaultDllDirectories(std::uint32_t directoryFlags) override {
    auto* f = routines.SetDefaultDllDirectories.Get();
    return f ? f(directoryFlags) : 0;
  }
  // Not one of the routines the program binds: closing a handle needs no look-up.
  std::int32_t CloseHandle(Handle handle) override {
    return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) ? 1 : 0;
  }
  std::uint32_t GetLastError() override { return ::GetLastError(); }
  std::int32_t ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
    auto* f = routines.ExitWindowsEx.Get();
    WaitingCall waiting;
    return f ? f(flags, reason) : Missing();
  }
  std::int32_t LockWorkStation() override {
    auto* f = routines.LockWorkStation.Get();
    WaitingCall waiting;
    return f ? f() : Missing();
  }
  std::int32_t SetForegroundWindow(Handle hwnd) override {
    auto* f = routines.SetForegroundWindow.Get();
    WaitingCall waiting;
    return f ? f(hwnd) : 0;
  }
  std::int32_t SetSuspendState(std::int32_t hibernate, std::int32_t force,
                               std::int32_t wakeupEventsDisabled) override {
    auto* f = routines.SetSuspendState.Get();
    if (!f) return Missing();
    WaitingCall waiting;
    return f(hibernate, force, wakeupEventsDisabled) != 0 ? 1 : 0;
  }
  std::int32_t GetPwrCapabilities(PowerCapabilities* capabilities) override {
    auto* f = routines.GetPwrCapabilities.Get();
    return f && f(capabilities) != 0 ? 1 : 0;
  }
  std::int32_t OpenProcessToken(Handle process, std::uint32_t access, Handle* token) override {
    auto* f = routines.OpenProcessToken.Get();
    return f ? f(process, access, token) : 0;
  }
  std::int32_t LookupPrivilegeValueA(const char* systemName, const char* name,
                                     Luid* luid) override {
    auto* f = routines.LookupPrivilegeValueA.Get();
    return f ? f(systemName, name, luid) : 0;
  }
  std::int32_t AdjustTokenPrivileges(Handle token, std::int32_t disableAll,
                                     const TokenPrivileges* newState, std::uint32_t bufferLength,
                                     TokenPrivileges* previousState,
                                     std::uint32_t* returnLength) override {
    auto* f = routines.AdjustTokenPrivileges.Get();
    return f ? f(token, disableAll, newState, bufferLength, previousState, returnLength) : 0;
  }
  std::int32_t Shell_NotifyIconA(std::uint32_t message, const NotifyIconDataA* data) override {
    if (!data) return 0;
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.uFlags = data->uFlags;
    record.uCallbackMessage = data->uCallbackMessage;
    record.hIcon = static_cast<HICON>(LongToHandle(static_cast<LONG>(data->hIcon)));
    std::memcpy(record.szTip, data->szTip, sizeof(data->szTip));
    TerminateTip(record.szTip);
    return NotifyIcon(message, record, data->hWnd, data->uID);
  }
  std::int32_t Shell_NotifyIconA(std::uint32_t message, const NotifyIconVersionA* data) override {
    if (!data) return 0;
    // The system's own layout of that size, which is larger on 64-bit Windows.
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V2_SIZE;
    record.uVersion = data->uVersion;
    return NotifyIcon(message, record, data->hWnd, data->uID);
  }
  std::int32_t Shell_NotifyIconW(std::uint32_t message, const NotifyIconDataW* data) override {
    auto* f = routines.Shell_NotifyIconW.Get();
    if (!data || !f) return 0;
    if constexpr (sizeof(HANDLE) == 4) {
      // On 32-bit Windows the program's record is the system's own.
      WaitingCall waiting;
      return f(message, reinterpret_cast<NOTIFYICONDATAW*>(const_cast<NotifyIconDataW*>(data)));
    } else {
      NOTIFYICONDATAW record{};
      record.cbSize = NOTIFYICONDATAW_V1_SIZE;
      record.hWnd = static_cast<HWND>(LongToHandle(static_cast<LONG>(data->hWnd)));
      record.uID = data->uID;
      record.uFlags = data->uFlags;
      record.uCallbackMessage = data->uCallbackMessage;
      record.hIcon = static_cast<HICON>(LongToHandle(static_cast<LONG>(data->hIcon)));
      std::memcpy(record.szTip, data->szTip, sizeof(data->szTip));
      WaitingCall waiting;
      return f(message, &record);
    }
  }
  std::int32_t Shell_NotifyIconGetRect(const NotifyIconIdentifier* identifier,
                                       ScreenRect* rect) override {
    auto* f = routines.Shell_NotifyIconGetRect.Get();
    if (!f) return E_NOTIMPL;
    NOTIFYICONIDENTIFIER icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = static_cast<HWND>(LongToHandle(static_cast<LONG>(identifier->hWnd)));
    icon.uID = identifier->uID;
    WaitingCall waiting;
    return f(&icon, reinterpret_cast<RECT*>(rect));
  }
  void InitCommonControls() override {
    if (auto* f = routines.InitCommonControls.Get()) f();
  }

 private:
  // The icon's window and id, then the call. Window and icon handles have 32
  // significant bits; on 64-bit Windows they are widened with their sign, as
  // the system itself does.
  static std::int32_t NotifyIcon(std::uint32_t message, NOTIFYICONDATAA& record, std::uint32_t hWnd,
                                 std::uint32_t id) {
    auto* f = routines.Shell_NotifyIconA.Get();
    if (!f) return 0;
    record.hWnd = static_cast<HWND>(LongToHandle(static_cast<LONG>(hWnd)));
    record.uID = id;
    WaitingCall waiting;
    return f(message, &record);
  }
};

}  // namespace

WinApi& Win32Api() {
  // Never destroyed, as above.
  static Win32WinApi& api = *new Win32WinApi;
  return api;
}

void DisableInputMethod(Handle window) {
  if (auto* f = routines.ImmAssociateContext.Get()) f(window, 0);
}

unsigned WindowDpi(Handle window) {
  const auto hwnd = reinterpret_cast<HWND>(window);
  if (auto* f = routines.GetDpiForWindow.Get()) return f(hwnd);
  std::uint32_t x = 0, y = 0;
  auto* f = routines.GetDpiForMonitor.Get();
  // MDT_EFFECTIVE_DPI: the DPI the user's scaling gives that monitor.
  if (f && f(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), 0, &x, &y) >= 0) return x;
  return 0;
}

bool AdjustWindowRectForDpi(void* rect, std::uint32_t style, std::uint32_t exStyle, unsigned dpi) {
  auto* f = routines.AdjustWindowRectExForDpi.Get();
  return f && f(static_cast<RECT*>(rect), style, FALSE, exStyle, dpi);
}

void AdmitMessage(Handle window, std::uint32_t message) {
  // MSGFLT_ALLOW for the window (7 and later), MSGFLT_ADD for the process (Vista).
  if (auto* f = routines.ChangeWindowMessageFilterEx.Get()) {
    f(reinterpret_cast<HWND>(window), message, 1, nullptr);
  } else if (auto* g = routines.ChangeWindowMessageFilter.Get()) {
    g(message, 1);
  }
}

void AnnounceLiveRegion(Handle window) {
  // Older SDKs lack the event; Windows before 8 ignores it.
  constexpr std::uint32_t kLiveRegionChanged = 0x8019;
  if (auto* f = routines.NotifyWinEvent.Get()) f(kLiveRegionChanged, window, OBJID_CLIENT, CHILDID_SELF);
}

void MarkPoliteLiveRegion(Handle window) {
  // The program's own copies: the SDK's would come from a library.
  static constexpr GUID kAccPropServices = {
      0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
  static constexpr GUID kIAccPropServices = {
      0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
  static constexpr GUID kLiveSetting = {
      0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
  auto* initialize = routines.CoInitialize.Get();
  auto* create = routines.CoCreateInstance.Get();
  if (!initialize || !create) return;
  // The window thread's apartment, kept for the program's life.
  initialize(nullptr);
  IAccPropServices* services = nullptr;
  if (FAILED(create(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                    reinterpret_cast<void**>(&services)))) {
    return;
  }
  VARIANT polite{};
  polite.vt = VT_I4;
  polite.lVal = 1;  // LiveSetting: Polite
  services->SetHwndProp(reinterpret_cast<HWND>(window), static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                        kLiveSetting, polite);
  services->Release();
}

}  // namespace platform
