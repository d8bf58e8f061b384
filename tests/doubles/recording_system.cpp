#include "tests/doubles/recording_system.h"

#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/dates.h"
#include "platform/text.h"

namespace doubles {

void CallLog::Add(Call call) {
  push_back(std::move(call));
  if (during) {
    const auto hook = during;  // the hook may replace itself
    const std::string routine = back().routine;
    hook(routine);
  }
}

std::int32_t RecordingApi::GetVersionExA(platform::OsVersionInfoA* info) {
  log_.Add({"GetVersionExA", {info->dwOSVersionInfoSize}, {}});
  if (versionFillsNothing) return 0;
  const std::uint32_t size = info->dwOSVersionInfoSize;
  *info = version;
  info->dwOSVersionInfoSize = size;
  return 1;
}

platform::Handle RecordingApi::GetCurrentProcess() {
  log_.Add({"GetCurrentProcess", {}, {}});
  return static_cast<platform::Handle>(-1);
}

std::int32_t RecordingApi::CloseHandle(platform::Handle handle) {
  log_.Add({"CloseHandle", {static_cast<long long>(handle)}, {}});
  return 1;
}

std::int32_t RecordingApi::SetDefaultDllDirectories(std::uint32_t directoryFlags) {
  log_.Add({"SetDefaultDllDirectories", {directoryFlags}, {}});
  return 1;
}

std::uint32_t RecordingApi::GetLastError() {
  log_.Add({"GetLastError", {lastError}, {}});
  return lastError;
}

std::int32_t RecordingApi::GetPwrCapabilities(platform::PowerCapabilities* capabilities) {
  log_.Add({"GetPwrCapabilities", {}, {}});
  if (powerCapsMissing) return 0;
  *capabilities = powerCaps;
  return 1;
}

void RecordingApi::SetPowerCaps(unsigned mask) {
  powerCaps = {};
  std::uint8_t* states[] = {&powerCaps.systemS1, &powerCaps.systemS2, &powerCaps.systemS3,
                            &powerCaps.systemS4, &powerCaps.hiberFilePresent, &powerCaps.aoAc};
  for (unsigned bit = 0; bit < std::size(states); ++bit) *states[bit] = (mask >> bit) & 1;
}

std::int32_t RecordingApi::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
  log_.Add({"ExitWindowsEx", {flags, reason}, {}});
  return exitResult;
}

std::int32_t RecordingApi::LockWorkStation() {
  log_.Add({"LockWorkStation", {}, {}});
  return lockResult;
}

std::int32_t RecordingApi::SetForegroundWindow(platform::Handle hwnd) {
  log_.Add({"SetForegroundWindow", {static_cast<long long>(hwnd)}, {}});
  return 1;
}

std::int32_t RecordingApi::SetSuspendState(std::int32_t hibernate, std::int32_t force,
                                           std::int32_t wakeupEventsDisabled) {
  log_.Add({"SetSuspendState", {hibernate, force, wakeupEventsDisabled}, {}});
  return suspendResult;
}

std::int32_t RecordingApi::OpenProcessToken(platform::Handle process, std::uint32_t access,
                                            platform::Handle* out) {
  log_.Add({"OpenProcessToken", {static_cast<long long>(process), access}, {}});
  // A failed call leaves the caller's variable as it was.
  if (openTokenResult != 0) *out = token;
  return openTokenResult;
}

std::int32_t RecordingApi::LookupPrivilegeValueA(const char* systemName, const char* name,
                                                 platform::Luid* luid) {
  log_.Add({"LookupPrivilegeValueA", {}, std::string(systemName ? systemName : "<null>") + "|" + name});
  *luid = {0x13, 0};
  return 1;
}

std::int32_t RecordingApi::AdjustTokenPrivileges(platform::Handle tokenHandle, std::int32_t disableAll,
                                                 const platform::TokenPrivileges* newState,
                                                 std::uint32_t bufferLength,
                                                 platform::TokenPrivileges* previousState,
                                                 std::uint32_t* returnLength) {
  log_.Add({"AdjustTokenPrivileges",
                  {static_cast<long long>(tokenHandle), disableAll, bufferLength,
                   previousState != nullptr, returnLength != nullptr},
                  {}});
  adjustments.push_back(*newState);
  return 1;
}

template <class Record>
std::int32_t RecordingApi::Notify(const char* routine, std::uint32_t message, const Record& data,
                                  const std::string& tip) {
  trayRecords.push_back({data.cbSize, data.hWnd, data.uID, data.uFlags, data.uCallbackMessage,
                         data.hIcon, tip, sizeof data.szTip[0] == 2});
  log_.Add({routine, {message, data.hIcon}, tip});
  if (auto nested = std::exchange(duringNotify, nullptr)) nested();
  return message == 0 ? addResult : message == 1 ? modifyResult : 1;
}

std::int32_t RecordingApi::Shell_NotifyIconA(std::uint32_t message, const platform::NotifyIconDataA* data) {
  return Notify("Shell_NotifyIconA", message, *data, data->szTip);
}

std::int32_t RecordingApi::Shell_NotifyIconA(std::uint32_t message, const platform::NotifyIconVersionA* data) {
  versionRecords.push_back(*data);
  log_.Add({"Shell_NotifyIconA", {message, data->uVersion}, {}});
  return setVersionResult;
}

std::int32_t RecordingApi::Shell_NotifyIconW(std::uint32_t message, const platform::NotifyIconDataW* data) {
  const std::u16string_view field(data->szTip, std::size(data->szTip));
  return Notify("Shell_NotifyIconW", message, *data, platform::Utf16ToUtf8(field.substr(0, field.find(u'\0'))));
}

std::int32_t RecordingApi::Shell_NotifyIconGetRect(const platform::NotifyIconIdentifier* identifier,
                                                   platform::ScreenRect* rect) {
  log_.Add({"Shell_NotifyIconGetRect", {identifier->cbSize, identifier->hWnd, identifier->uID}, {}});
  if (!iconRect) return static_cast<std::int32_t>(0x80004001);  // E_NOTIMPL
  *rect = *iconRect;
  return 0;
}

void RecordingApi::InitCommonControls() { log_.Add({"InitCommonControls", {}, {}}); }

void FakeClock::Set(int y, int mo, int d, int h, int mi, int s) {
  now = platform::OleDateFromCivil(y, mo, d, h, mi, s);
}

void FakeClock::Advance(int seconds) {
  now = platform::OleDateFromSeconds(platform::OleDateToSeconds(now) + seconds);
}

std::string FixedDateFormat::ShortDate(int year, int month, int day) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
  return buf;
}

std::string FixedDateFormat::LongTime(int hour, int minute, int second) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d", hour, minute, second);
  return buf;
}

namespace {

std::string Gbk(std::u16string_view text) {
  std::string out;
  iconv_t cd = iconv_open("CP936", "UTF-8");
  const std::string utf8 = platform::Utf16ToUtf8(text);
  for (std::size_t i = 0; i < utf8.size();) {
    // One character at a time, so that one without a GBK form becomes '?'.
    std::size_t len = 1;
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0xF0) len = 4;
    else if (c >= 0xE0) len = 3;
    else if (c >= 0xC0) len = 2;
    std::string in = utf8.substr(i, len);
    char buf[8];
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      out += '?';
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else {
      out.append(buf, outPtr);
    }
    i += len;
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Gbk936::ToAnsi(std::u16string_view text) {
  auto it = converted_.find(text);
  if (it == converted_.end()) it = converted_.emplace(std::u16string(text), Gbk(text)).first;
  return it->second;
}

bool DocumentedConversion::Convert(std::uint32_t flags, const char* defaultChar,
                                   std::u16string_view text, std::string& out) {
  constexpr std::uint32_t kErrInvalidChars = 0x80;
  const bool refused = acp == kUtf8 && ((flags & ~kErrInvalidChars) != 0 || defaultChar != nullptr);
  requests.push_back({flags, defaultChar != nullptr, refused});
  out = refused ? std::string() : acp == kUtf8 ? platform::Utf16ToUtf8(text) : Gbk(text);
  return !out.empty();
}

bool FakeInstance::AnotherInstanceRunning() {
  log_.Add({"AnotherInstanceRunning", {}, {}});
  return anotherRunning;
}

void RecordingLauncher::StartWindowsProgram(std::string_view program, std::string_view arguments) {
  log_.Add({"StartWindowsProgram", {}, std::string(program) + " " + std::string(arguments)});
}

std::vector<std::string> RecordingSystem::Routines(const std::vector<std::string>& skip) const {
  std::vector<std::string> out;
  for (const Call& c : log) {
    if (std::find(skip.begin(), skip.end(), c.routine) == skip.end()) out.push_back(c.routine);
  }
  return out;
}

std::vector<Call> RecordingSystem::TrayCalls() const {
  std::vector<Call> out;
  for (const Call& c : log) {
    if (c.routine == "Shell_NotifyIconA" || c.routine == "Shell_NotifyIconW") out.push_back(c);
  }
  return out;
}

std::vector<Call> RecordingSystem::CallsTo(const std::string& routine) const {
  std::vector<Call> out;
  for (const Call& c : log) {
    if (c.routine == routine) out.push_back(c);
  }
  return out;
}

void RecordingSystem::SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                                 std::uint32_t build) {
  api.version = {148, major, minor, build, platformId, {}};
}

}  // namespace doubles
