#include "platform/dates.h"

#include <chrono>
#include <cmath>

namespace platform {
namespace {

using std::chrono::day;
using std::chrono::days;
using std::chrono::month;
using std::chrono::sys_days;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr sys_days kEpoch{year{1899} / month{12} / day{30}};

}  // namespace

double OleDateFromCivil(int y, int mo, int d, int h, int mi, int s) {
  const sys_days date{year{y} / month{static_cast<unsigned>(mo)} / day{static_cast<unsigned>(d)}};
  const std::int64_t seconds = static_cast<std::int64_t>((date - kEpoch).count()) * kSecondsPerDay +
                               h * 3600 + mi * 60 + s;
  return OleDateFromSeconds(seconds);
}

std::int64_t OleDateToSeconds(double date) {
  // To the nearest second, halves away from zero, as std::llround would; but
  // MinGW's llround brings unwind tables (512 bytes of file) into the
  // Windows program. nearbyint rounds halves to even; a half left over is
  // then taken away from zero, which is exact.
  const double seconds = date * static_cast<double>(kSecondsPerDay);
  double whole = std::nearbyint(seconds);
  if (std::fabs(seconds - whole) == 0.5) whole = seconds + std::copysign(0.5, seconds);
  return static_cast<std::int64_t>(whole);
}

double OleDateFromSeconds(std::int64_t seconds) {
  return static_cast<double>(seconds) / static_cast<double>(kSecondsPerDay);
}

CivilTime CivilFromOleDate(double date) {
  const std::int64_t seconds = OleDateToSeconds(date);
  // The day is the quotient rounded down, so that the time of day is never
  // negative. Taken in double it is exact: a quotient that is not whole lies
  // at least 1/86400 from the next whole number, far beyond the division's
  // rounding error; and it spares the 32-bit build a 64-bit division.
  const int dayCount = static_cast<int>(std::floor(static_cast<double>(seconds) / kSecondsPerDay));
  const int timeOfDay = static_cast<int>(seconds - std::int64_t{dayCount} * kSecondsPerDay);
  const year_month_day ymd{kEpoch + days{dayCount}};
  CivilTime t;
  t.year = static_cast<int>(ymd.year());
  t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  t.hour = timeOfDay / 3600;
  t.minute = timeOfDay / 60 % 60;
  t.second = timeOfDay % 60;
  return t;
}

std::string DateText(double date, DateFormat& format) {
  const CivilTime t = CivilFromOleDate(date);
  std::string text = format.ShortDate(t.year, t.month, t.day);
  if (t.hour != 0 || t.minute != 0 || t.second != 0) {
    text += ' ';
    text += format.LongTime(t.hour, t.minute, t.second);
  }
  return text;
}

}  // namespace platform
