// Local date-times and their OLE Automation dates, bit for bit: run by the
// native tests and, under Wine, by the Windows build's check
// (tests/numeric), so that the 32-bit build's x87 arithmetic is held to the
// same values as the native build's.
#pragma once

#include <vector>

namespace date_cases {

struct Case {
  int year, month, day, hour, minute, second;
  double date;
};

inline std::vector<Case> Cases() {
  return {
      {1899, 12, 30, 0, 0, 0, 0.0},
      {1900, 1, 1, 0, 0, 0, 2.0},
      {2000, 1, 1, 12, 0, 0, 36526.5},
      {1970, 1, 1, 0, 0, 0, 25569.0},
      // Before the epoch the time of day still counts forwards.
      {1899, 12, 29, 18, 0, 0, -0.25},
      // Leap days, the last second of a day, a century that is no leap year,
      // beyond 2^32 seconds, and the last representable day.
      {2012, 2, 29, 23, 59, 59, 0x1.4011fffe7ba37p+15},
      {2024, 2, 29, 12, 34, 56, 0x1.624f0c6bb5aa5p+15},
      {2026, 12, 31, 23, 59, 59, 0x1.6a67fffe7ba37p+15},
      {2038, 1, 19, 3, 14, 8, 0x1.89f0450672895p+15},
      {2100, 3, 1, 0, 0, 1, 0x1.1d960000c22e4p+16},
      {9999, 12, 31, 23, 59, 59, 0x1.69240ffff9ee9p+21},
  };
}

// Dates whose seconds lie at, just below and just above a half, on both
// sides of the epoch: whole seconds are taken from them as std::llround
// takes them from date * 86400.
inline std::vector<double> RoundingDates() {
  std::vector<double> dates;
  for (const double whole : {0.0, 1.0, 2.0, 3.0, 59.0, 86399.0, 3539721599.0, 255611462399.0}) {
    for (const double part : {0.5, 0.25, 0.75, 0.4999999, 0.5000001}) {
      for (const double sign : {1.0, -1.0}) dates.push_back(sign * (whole + part) / 86400);
    }
  }
  // Many more near halves: some of them land on a half exactly.
  for (int k = 0; k < 2000; ++k) dates.push_back((k + 0.5) / 86400);
  return dates;
}

}  // namespace date_cases
