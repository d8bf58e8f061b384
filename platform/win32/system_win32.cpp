#include "platform/win32/system_win32.h"

#include <windows.h>

#include "platform/dates.h"
#include "platform/text.h"
#include "platform/win32/utf16.h"
#include "platform/win32/winapi_win32.h"

namespace platform {
namespace {

// The instance's name in the session namespace; the bare name is its end.
constexpr wchar_t kSessionMutexName[] = L"Local\\Vespera.SingleInstance";
constexpr const wchar_t* kMutexName = kSessionMutexName + 6;
static_assert(kMutexName[-1] == L'\\' && kMutexName[0] == L'V');

// The text a GetDateFormatW/GetTimeFormatW style call writes, as UTF-8.
template <typename Format>
std::string FormatToUtf8(Format format) {
  wchar_t buffer[128];
  const int length = format(buffer, static_cast<int>(std::size(buffer)));
  // The length counts the closing NUL.
  return length > 1 ? Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)))
                    : std::string();
}

SYSTEMTIME MakeSystemTime(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  time.wSecond = static_cast<WORD>(second);
  return time;
}

}  // namespace

double Win32Clock::Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return OleDateFromCivil(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

std::string Win32DateFormat::ShortDate(int year, int month, int day) {
  const SYSTEMTIME date = MakeSystemTime(year, month, day, 0, 0, 0);
  return FormatToUtf8([&](wchar_t* buffer, int size) {
    return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, buffer, size);
  });
}

std::string Win32DateFormat::LongTime(int hour, int minute, int second) {
  // The date part must be valid for the call to succeed; it is not shown.
  const SYSTEMTIME time = MakeSystemTime(2000, 1, 1, hour, minute, second);
  return FormatToUtf8([&](wchar_t* buffer, int size) {
    return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, buffer, size);
  });
}

std::uint32_t Win32AnsiConversion::AnsiCodePage() { return GetACP(); }

bool Win32AnsiConversion::Convert(std::uint32_t flags, const char* defaultChar,
                                  std::u16string_view text, std::string& out) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, flags, wide, length, nullptr, 0, defaultChar, nullptr);
  if (size > 0) {
    out.assign(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, wide, length, out.data(), size, defaultChar, nullptr) > 0) {
      return true;
    }
  }
  out.clear();
  return false;
}

bool Win32InstanceCheck::AnotherInstanceRunning() {
  if (asked_) return another_;
  asked_ = true;
  // The session namespace keeps instances of other users' sessions apart.
  // Systems without terminal services reject the prefix; there the bare name
  // is already per machine.
  SetLastError(ERROR_SUCCESS);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kSessionMutexName);
  DWORD error = GetLastError();
  if (mutex == nullptr && error != ERROR_ACCESS_DENIED) {
    SetLastError(ERROR_SUCCESS);
    mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    error = GetLastError();
  }
  // Access denied: the name is held by a process of another account in this
  // session, which is another instance all the same.
  another_ = error == ERROR_ALREADY_EXISTS || (mutex == nullptr && error == ERROR_ACCESS_DENIED);
  // The handle stays open until the process ends: closing it would free the name.
  return another_;
}

void Win32Launcher::StartWindowsProgram(std::string_view program, std::string_view argument) {
  // A bare name only: a path would lead out of the Windows directory.
  if (program.empty() || program.find_first_of("\\/:") != std::string_view::npos) return;
  // The full path leaves the program's directory, the current one and PATH
  // out of the search; only the Windows directory's own program can start.
  // The system's Windows directory, not a per-user one of a terminal server.
  wchar_t windows[MAX_PATH];
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const std::wstring name = Widen(program);
  std::wstring application(windows, length);
  if (application.back() != L'\\') application += L'\\';
  application.append(name).append(L".exe");
  std::wstring commandLine = name;
  commandLine.append(L" ").append(Widen(QuoteArgument(argument)));

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     nullptr, &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

System Win32System::Get() {
  return System{Win32Api(), clock, dateFormat, codePage, instance, launcher};
}

}  // namespace platform
