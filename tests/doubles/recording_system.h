// Recording stand-ins for everything the program asks of the system. Every
// call lands, in order, in one shared log.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace doubles {

struct Call {
  std::string routine;
  std::vector<long long> args;  // numbers and handles, as passed
  std::string text;             // a text argument, where there is one
};

// The calls in order. during, when set, runs inside every call once it is
// logged: what the system delivers while the call waits (it may call again).
struct CallLog : std::vector<Call> {
  std::function<void(const std::string& routine)> during;
  void Add(Call call);
};

class RecordingApi : public platform::WinApi {
 public:
  explicit RecordingApi(CallLog& log) : log_(log) {}

  // What GetVersionExA fills in; fillsNothing leaves the request as it came.
  platform::OsVersionInfoA version{148, 5, 1, 2600, 2, {}};
  bool versionFillsNothing = false;
  std::int32_t exitResult = 1, suspendResult = 1, lockResult = 1, openTokenResult = 1;
  std::uint32_t lastError = 0;  // what GetLastError answers
  // The sleep states GetPwrCapabilities reports (S3 and hibernation by
  // default); powerCapsMissing makes it fail.
  platform::PowerCapabilities powerCaps{{}, 0, 0, 1, 1, 1, 1, {}, 0, 0, 0, {}};
  bool powerCapsMissing = false;
  // Sets the sleep states from a mask of S1, S2, S3, S4 (bits 0..3), the
  // hibernation file (bit 4) and Modern Standby (bit 5).
  void SetPowerCaps(unsigned mask);
  platform::Handle token = 0x7E;
  // A record as the shell received it, ANSI or wide: the tip up to the NUL,
  // as UTF-8 from the wide record, as it came from the ANSI one.
  struct TrayRecord {
    std::uint32_t cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon;
    std::string tip;
    bool wide;
  };
  std::vector<TrayRecord> trayRecords;  // one per add, modify or delete
  std::vector<platform::NotifyIconVersionA> versionRecords;  // one per NIM_SETVERSION or NIM_SETFOCUS
  std::int32_t setVersionResult = 1;  // 0: a shell older than version 5
  std::int32_t addResult = 1, modifyResult = 1;  // 0: the shell refuses
  // Where Shell_NotifyIconGetRect finds the icon; none: it cannot tell.
  std::optional<platform::ScreenRect> iconRect;
  // Runs once inside the next Shell_NotifyIconA call, as the notifications
  // that the shell sends while the call waits for it.
  std::function<void()> duringNotify;
  std::vector<platform::TokenPrivileges> adjustments;

  std::int32_t GetVersionExA(platform::OsVersionInfoA* info) override;
  platform::Handle GetCurrentProcess() override;
  std::int32_t CloseHandle(platform::Handle handle) override;
  std::int32_t SetDefaultDllDirectories(std::uint32_t directoryFlags) override;
  std::uint32_t GetLastError() override;
  std::int32_t GetPwrCapabilities(platform::PowerCapabilities* capabilities) override;
  std::int32_t ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
  std::int32_t LockWorkStation() override;
  std::int32_t SetForegroundWindow(platform::Handle hwnd) override;
  std::int32_t SetSuspendState(std::int32_t hibernate, std::int32_t force,
                               std::int32_t wakeupEventsDisabled) override;
  std::int32_t OpenProcessToken(platform::Handle process, std::uint32_t access,
                                platform::Handle* token) override;
  std::int32_t LookupPrivilegeValueA(const char* systemName, const char* name,
                                     platform::Luid* luid) override;
  std::int32_t AdjustTokenPrivileges(platform::Handle token, std::int32_t disableAll,
                                     const platform::TokenPrivileges* newState,
                                     std::uint32_t bufferLength,
                                     platform::TokenPrivileges* previousState,
                                     std::uint32_t* returnLength) override;
  std::int32_t Shell_NotifyIconA(std::uint32_t message,
                                 const platform::NotifyIconDataA* data) override;
  // Logged as a tray call with its version; the record is kept apart.
  std::int32_t Shell_NotifyIconA(std::uint32_t message,
                                 const platform::NotifyIconVersionA* data) override;
  std::int32_t Shell_NotifyIconW(std::uint32_t message,
                                 const platform::NotifyIconDataW* data) override;
  std::int32_t Shell_NotifyIconGetRect(const platform::NotifyIconIdentifier* identifier,
                                       platform::ScreenRect* rect) override;
  void InitCommonControls() override;

 private:
  // Keeps and logs a record of either form, and answers as the shell does.
  template <class Record>
  std::int32_t Notify(const char* routine, std::uint32_t message, const Record& data, const std::string& tip);
  CallLog& log_;
};

// A clock the test sets.
class FakeClock : public platform::Clock {
 public:
  double now = 0;
  double Now() override { return now; }
  void Set(int y, int mo, int d, int h, int mi, int s);
  void Advance(int seconds);
};

// yyyy-mm-dd and H:MM:SS, as a Chinese system shows them.
class FixedDateFormat : public platform::DateFormat {
 public:
  std::string ShortDate(int year, int month, int day) override;
  std::string LongTime(int hour, int minute, int second) override;
};

// Code page 936 (GBK) through iconv, as a Chinese Windows converts.
class Gbk936 : public platform::CodePage {
 public:
  std::string ToAnsi(std::u16string_view text) override;

 private:
  // The program sends the same few tips again and again; iconv is slow.
  std::map<std::u16string, std::string, std::less<>> converted_;
};

// WideCharToMultiByte into the ANSI code page as documented, for code pages
// 936 (as Gbk936) and 65001 (UTF-8, a lone surrogate becoming U+FFFD). For
// UTF-8 it refuses any flag but WC_ERR_INVALID_CHARS (0x80), and any default
// character, as Windows does. Keeps every request.
class DocumentedConversion : public platform::AnsiConversion {
 public:
  struct Request {
    std::uint32_t flags;
    bool defaultChar;
    bool refused;
  };
  std::uint32_t acp = 936;
  std::vector<Request> requests;

  std::uint32_t AnsiCodePage() override { return acp; }
  bool Convert(std::uint32_t flags, const char* defaultChar, std::u16string_view text,
               std::string& out) override;
};

class FakeInstance : public platform::InstanceCheck {
 public:
  explicit FakeInstance(CallLog& log) : log_(log) {}
  bool anotherRunning = false;
  bool AnotherInstanceRunning() override;

 private:
  CallLog& log_;
};

class RecordingLauncher : public platform::Launcher {
 public:
  explicit RecordingLauncher(CallLog& log) : log_(log) {}
  void StartWindowsProgram(std::string_view program, std::string_view arguments) override;

 private:
  CallLog& log_;
};

// The whole recording system, ready to hand to the windows.
struct RecordingSystem {
  CallLog log;
  RecordingApi api{log};
  FakeClock clock;
  FixedDateFormat dateFormat;
  Gbk936 codePage;
  FakeInstance instance{log};
  RecordingLauncher launcher{log};
  platform::System system{api, clock, dateFormat, codePage, instance, launcher};

  // The routines called, in order, leaving out those named in skip.
  std::vector<std::string> Routines(const std::vector<std::string>& skip = {}) const;
  std::vector<Call> CallsTo(const std::string& routine) const;
  // The calls of Shell_NotifyIconA and Shell_NotifyIconW.
  std::vector<Call> TrayCalls() const;
  void SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                  std::uint32_t build = 0);
};

}  // namespace doubles
