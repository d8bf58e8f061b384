// Local wall-clock date-times as OLE Automation dates: days since
// 30 December 1899, the fraction being the time of day. Arithmetic is done
// in whole seconds so that repeated steps never drift.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace platform {

struct CivilTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

double OleDateFromCivil(int year, int month, int day, int hour, int minute, int second);
CivilTime CivilFromOleDate(double date);

// Whole seconds since the OLE epoch, and back.
std::int64_t OleDateToSeconds(double date);
double OleDateFromSeconds(std::int64_t seconds);

inline constexpr std::int64_t kSecondsPerDay = 86400;

// The system's general date-time text: the short date, a blank and the long
// time; a time of exactly midnight shows the date alone.
std::string DateText(double date, DateFormat& format);

}  // namespace platform
