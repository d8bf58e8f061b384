// The Windows implementations of the platform services in platform/system.h.
#pragma once

#include <string>
#include <string_view>

#include "platform/system.h"

namespace platform {

class Win32Clock final : public Clock {
 public:
  double Now() override;
};

class Win32DateFormat final : public DateFormat {
 public:
  // Texts in UTF-8, in the user's regional formats.
  std::string ShortDate(int year, int month, int day) override;
  std::string LongTime(int hour, int minute, int second) override;
};

class Win32CodePage final : public CodePage {
 public:
  std::string ToAnsi(std::u16string_view text) override;
};

// A named mutex that lives as long as the process.
class Win32InstanceCheck final : public InstanceCheck {
 public:
  // Asks the system once; later calls give the same answer.
  bool AnotherInstanceRunning() override;

 private:
  bool asked_ = false;
  bool another_ = false;
};

// Starts programs on a thread of their own: under Wine a process start waits
// until the new process is up, which the window has no need to wait for.
class Win32Launcher final : public Launcher {
 public:
  // Waits for a start still under way, so that it is never cut short.
  ~Win32Launcher() override;
  // `arguments` is UTF-8.
  void StartWindowsProgram(std::string_view program, std::string_view arguments) override;

 private:
  void WaitForStart();
  void* starting_ = nullptr;  // the thread of the start under way
};

// Everything the Windows program hands to its windows.
struct Win32System {
  Win32Clock clock;
  Win32DateFormat dateFormat;
  Win32CodePage codePage;
  Win32InstanceCheck instance;
  Win32Launcher launcher;

  System Get();
};

}  // namespace platform
