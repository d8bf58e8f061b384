// The rest of what the program needs from the operating system, outside the
// window system, each behind a small interface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/winapi.h"

namespace platform {

// The current local wall-clock date and time as an OLE Automation date,
// to the whole second.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual double Now() = 0;
};

// The user's regional date and time formats.
class DateFormat {
 public:
  virtual ~DateFormat() = default;
  virtual std::string ShortDate(int year, int month, int day) = 0;
  virtual std::string LongTime(int hour, int minute, int second) = 0;
};

// Conversion to the system's ANSI code page.
class CodePage {
 public:
  virtual ~CodePage() = default;
  // The ANSI bytes of UTF-16 text; a character with no ANSI form becomes '?'.
  virtual std::string ToAnsi(std::u16string_view text) = 0;
};

// The system's own conversion into its ANSI code page (GetACP and
// WideCharToMultiByte into CP_ACP).
class AnsiConversion {
 public:
  static constexpr std::uint32_t kUtf8 = 65001;
  static constexpr std::uint32_t kNoBestFitChars = 0x400;  // WC_NO_BEST_FIT_CHARS

  virtual ~AnsiConversion() = default;
  virtual std::uint32_t AnsiCodePage() = 0;
  // `defaultChar` may be null (none). False, with `out` empty, when the
  // system refuses the call.
  virtual bool Convert(std::uint32_t flags, const char* defaultChar, std::u16string_view text,
                       std::string& out) = 0;
};

// CodePage over the system's conversion, asking it only for what the ANSI
// code page allows: UTF-8 (65001) takes neither flags nor a default
// character, and has a form for every character.
class SystemCodePage final : public CodePage {
 public:
  explicit SystemCodePage(AnsiConversion& conversion) : conversion_(conversion) {}
  std::string ToAnsi(std::u16string_view text) override;

 private:
  AnsiConversion& conversion_;
};

class InstanceCheck {
 public:
  virtual ~InstanceCheck() = default;
  // Claims the program's name for this session; true when another running
  // instance holds it already.
  virtual bool AnotherInstanceRunning() = 0;
};

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts a program of the Windows directory (the name without ".exe") with
  // the command line "<program> <argument>", the argument quoted where it
  // holds a separator (QuoteArgument in platform/text.h), in a normal window
  // with the focus, without waiting for it.
  virtual void StartWindowsProgram(std::string_view program, std::string_view argument) = 0;
};

// Everything above, handed to the windows.
struct System {
  WinApi& api;
  Clock& clock;
  DateFormat& dateFormat;
  CodePage& codePage;
  InstanceCheck& instance;
  Launcher& launcher;
};

}  // namespace platform
