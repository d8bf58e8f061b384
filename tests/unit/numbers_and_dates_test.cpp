// Reading numbers from texts, rounding, and date arithmetic and text.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/dates.h"
#include "platform/numeric.h"
#include "tests/doubles/recording_system.h"

namespace {

TEST(NumericValue, ReadsTheLeadingNumber) {
  struct Case {
    const char* text;
    double value;
  };
  for (const Case& c : {Case{"", 0},         Case{"12", 12},      Case{"12abc", 12},
                        Case{"abc", 0},      Case{" 1 2 ", 12},   Case{"\t1\n5", 15},
                        Case{"-5", -5},      Case{"+7", 7},       Case{"1.5", 1.5},
                        Case{".5", 0.5},     Case{"1.2.3", 1.2},  Case{"1e3", 1000},
                        Case{"1E+2x", 100},  Case{"2e-1", 0.2},   Case{"1e", 1},
                        Case{"1e+", 1},      Case{"-", 0},        Case{".", 0},
                        Case{"&H1F", 31},    Case{"&hff", 255},   Case{"&O17", 15},
                        Case{"&O9", 0},      Case{"&O18", 1},     Case{"&H", 0},       Case{"&", 0},
                        Case{"1,5", 1},      Case{"0x10", 0},     Case{"012", 12},
                        Case{"- 3", -3},     Case{"1d2", 1}}) {
    EXPECT_DOUBLE_EQ(platform::NumericValue(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(NumericValue, AHugeNumberIsBeyondEveryBoundNotAnError) {
  EXPECT_TRUE(std::isinf(platform::NumericValue("1e400")));
  EXPECT_GT(platform::NumericValue("1e400"), 999);
  EXPECT_LT(platform::NumericValue("-1e400"), 0);
  EXPECT_EQ(platform::NumericValue("1e-400"), 0);
  EXPECT_GT(platform::NumericValue(std::string(500, '9')), 999);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(platform::RoundHalfEven(0.5), 0);
  EXPECT_EQ(platform::RoundHalfEven(1.5), 2);
  EXPECT_EQ(platform::RoundHalfEven(2.5), 2);
  EXPECT_EQ(platform::RoundHalfEven(-2.5), -2);
  EXPECT_EQ(platform::RoundHalfEven(2.6), 3);
  EXPECT_EQ(platform::ToInt16(1e9), 32767);
  EXPECT_EQ(platform::ToInt32(-1e300), INT32_MIN);
  EXPECT_EQ(platform::ToInt32(platform::NumericValue("1e400")), INT32_MAX);
}

TEST(OleDate, MatchesTheAutomationEpochAndRoundTrips) {
  EXPECT_EQ(platform::OleDateFromCivil(1899, 12, 30, 0, 0, 0), 0.0);
  EXPECT_EQ(platform::OleDateFromCivil(1900, 1, 1, 0, 0, 0), 2.0);
  EXPECT_EQ(platform::OleDateFromCivil(2000, 1, 1, 12, 0, 0), 36526.5);
  const double d = platform::OleDateFromCivil(2012, 2, 29, 23, 59, 59);
  const platform::CivilTime t = platform::CivilFromOleDate(d);
  EXPECT_EQ(t.year, 2012);
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.hour, 23);
  EXPECT_EQ(t.minute, 59);
  EXPECT_EQ(t.second, 59);
}

TEST(OleDate, SecondsDoNotDriftOverADayOfSteps) {
  const double start = platform::OleDateFromCivil(2026, 12, 31, 0, 0, 0);
  double d = start;
  for (int i = 0; i < 86400; ++i) d = platform::OleDateFromSeconds(platform::OleDateToSeconds(d) + 1);
  EXPECT_EQ(platform::OleDateToSeconds(d) - platform::OleDateToSeconds(start), 86400);
  const platform::CivilTime t = platform::CivilFromOleDate(d);
  EXPECT_EQ(t.year, 2027);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.second, 0);
}

TEST(DateText, ShowsTheDateAloneAtMidnight) {
  doubles::FixedDateFormat format;
  EXPECT_EQ(platform::DateText(platform::OleDateFromCivil(2012, 10, 30, 22, 30, 0), format),
            "2012-10-30 22:30:00");
  EXPECT_EQ(platform::DateText(platform::OleDateFromCivil(2012, 10, 31, 0, 0, 0), format), "2012-10-31");
  EXPECT_EQ(platform::DateText(platform::OleDateFromCivil(2012, 10, 31, 0, 0, 1), format),
            "2012-10-31 0:00:01");
}

}  // namespace
