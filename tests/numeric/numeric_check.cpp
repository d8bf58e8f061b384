// The shared tables of number texts and of dates, computed by the Windows
// build under the floating-point state the program runs with, and the
// program's own allocation: run under Wine by the end-to-end suite.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <new>

#include "app/floating_point.h"
#include "platform/dates.h"
#include "platform/numeric.h"
#include "tests/unit/date_cases.h"
#include "tests/unit/numeric_cases.h"

namespace {

int passed = 0, failed = 0;

void Check(bool ok) { ++(ok ? passed : failed); }

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
unsigned short X87ControlWord() {
  unsigned short word = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
}
#endif

}  // namespace

int main() {
  // The program's entry point sets this state; the C runtime's start-up code
  // that ran before main here may have set another.
  app::SetFloatingPointState();
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
  const unsigned short word = X87ControlWord();
  Check(word == app::kX87ControlWord);
  if (word != app::kX87ControlWord) {
    std::printf("FAIL the x87 control word is %#x, not %#x\n", word, app::kX87ControlWord);
  }
#endif

  for (const numeric_cases::Case& c : numeric_cases::Cases()) {
    const double v = platform::NumericValue(c.text);
    const bool ok = numeric_cases::SameBits(v, c.value);
    Check(ok);
    if (!ok) std::printf("FAIL \"%.60s\" gives %a, not %a\n", c.text.c_str(), v, c.value);
  }

  for (const date_cases::Case& c : date_cases::Cases()) {
    const double date =
        platform::OleDateFromCivil(c.year, c.month, c.day, c.hour, c.minute, c.second);
    const platform::CivilTime t = platform::CivilFromOleDate(c.date);
    const bool ok = numeric_cases::SameBits(date, c.date) && t.year == c.year &&
                    t.month == c.month && t.day == c.day && t.hour == c.hour &&
                    t.minute == c.minute && t.second == c.second;
    Check(ok);
    if (!ok) {
      std::printf("FAIL %d-%02d-%02d %02d:%02d:%02d gives %a, and %a gives %d-%02d-%02d "
                  "%02d:%02d:%02d\n",
                  c.year, c.month, c.day, c.hour, c.minute, c.second, date, c.date, t.year,
                  t.month, t.day, t.hour, t.minute, t.second);
    }
  }

  // Whole seconds as the C library's llround takes them.
  for (const double d : date_cases::RoundingDates()) {
    const long long seconds = platform::OleDateToSeconds(d);
    const long long expected = std::llround(d * 86400);
    Check(seconds == expected);
    if (seconds != expected) std::printf("FAIL %a gives %lld seconds, not %lld\n", d, seconds, expected);
  }

  // A day of one-second steps lands on the next midnight exactly.
  const double start = platform::OleDateFromCivil(2026, 12, 31, 0, 0, 0);
  double d = start;
  for (int i = 0; i < 86400; ++i) d = platform::OleDateFromSeconds(platform::OleDateToSeconds(d) + 1);
  const bool noDrift = platform::OleDateToSeconds(d) - platform::OleDateToSeconds(start) == 86400;
  Check(noDrift);
  if (!noDrift) std::printf("FAIL a day of one-second steps from %a ends at %a\n", start, d);

  // An allocation that cannot succeed: the nothrow form says so with null.
  volatile std::size_t huge = SIZE_MAX / 2;
  void* p = ::operator new(huge, std::nothrow);
  Check(p == nullptr);
  if (p != nullptr) {
    std::printf("FAIL a nothrow allocation of %zu bytes did not return null\n", huge);
    ::operator delete(p);
  }

  std::printf("numbers and dates: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
