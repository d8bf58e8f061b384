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

class Win32AnsiConversion final : public AnsiConversion {
 public:
  std::uint32_t AnsiCodePage() override;
  bool Convert(std::uint32_t flags, const char* defaultChar, std::u16string_view text,
               std::string& out) override;
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

class Win32Launcher final : public Launcher {
 public:
  // `argument` is UTF-8.
  void StartWindowsProgram(std::string_view program, std::string_view argument) override;
};

// Everything the Windows program hands to its windows.
struct Win32System {
  Win32Clock clock;
  Win32DateFormat dateFormat;
  Win32AnsiConversion ansi;
  SystemCodePage codePage{ansi};
  Win32InstanceCheck instance;
  Win32Launcher launcher;

  System Get();
};

}  // namespace platform
