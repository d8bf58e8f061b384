// Reading numbers from texts, rounding, and date arithmetic and text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/dates.h"
#include "platform/numeric.h"
#include "platform/text.h"
#include "tests/doubles/recording_system.h"
#include "tests/unit/date_cases.h"
#include "tests/unit/numeric_cases.h"

namespace {

TEST(NumericValue, ReadsEachTextOfTheSharedTable) {
  for (const numeric_cases::Case& c : numeric_cases::Cases()) {
    const double v = platform::NumericValue(c.text);
    EXPECT_TRUE(numeric_cases::SameBits(v, c.value))
        << '"' << c.text.substr(0, 60) << "\" gives " << std::hexfloat << v << ", not " << c.value;
  }
}

// Complete decimal numbers read exactly as the C library reads them: short
// and long, and the exact halfway points between neighbouring doubles (and
// just above them), written out in full.
TEST(NumericValue, RoundsAsTheCLibraryDoes) {
  std::mt19937_64 random(20240607);
  std::vector<std::string> texts;
  char buffer[1300];
  for (int i = 0; i < 3000; ++i) {
    double d;
    do {
      const std::uint64_t bits = random();
      std::memcpy(&d, &bits, sizeof d);
    } while (!std::isfinite(d));
    std::snprintf(buffer, sizeof buffer, "%.*g", 1 + i % 19, d);
    texts.push_back(buffer);
    const long double next = std::nextafter(d, INFINITY);
    if (!std::isfinite(next)) continue;
    std::snprintf(buffer, sizeof buffer, "%.1100Le", (static_cast<long double>(d) + next) / 2);
    texts.push_back(buffer);
    const std::string half = buffer;
    const std::size_t e = half.find('e');
    texts.push_back(half.substr(0, e) + "1" + half.substr(e));
  }
  for (const std::string& text : texts) {
    const double expected = std::strtod(text.c_str(), nullptr);
    const double v = platform::NumericValue(text);
    ASSERT_TRUE(numeric_cases::SameBits(v, expected))
        << text.substr(0, 40) << "... gives " << std::hexfloat << v << ", not " << expected;
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

TEST(OleDate, BeforeTheEpochTheTimeOfDayIsNeverNegative) {
  const platform::CivilTime t = platform::CivilFromOleDate(platform::OleDateFromCivil(1899, 12, 29, 18, 5, 7));
  EXPECT_EQ(t.year, 1899);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.hour, 18);
  EXPECT_EQ(t.minute, 5);
  EXPECT_EQ(t.second, 7);
  EXPECT_EQ(platform::CivilFromOleDate(-1.0).day, 29);
}

TEST(TextConversion, BoundariesAndMalformedUtf8) {
  struct Pair {
    std::string utf8;
    std::u16string utf16;
  };
  // Both ways: the last one-, two- and three-byte characters, the first
  // two-, three- and four-byte ones, and the last character of all.
  for (const Pair& p : {Pair{"\x7F", u"\x7F"}, Pair{"\xC2\x80", u"\x80"}, Pair{"\xDF\xBF", u"\x7FF"},
                        Pair{"\xE0\xA0\x80", u"\x800"}, Pair{"\xEF\xBF\xBF", u"\xFFFF"},
                        Pair{"\xF0\x90\x80\x80", u"\xD800\xDC00"},
                        Pair{"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"}}) {
    EXPECT_EQ(platform::Utf8ToUtf16(p.utf8), p.utf16) << p.utf8.size() << " bytes";
    EXPECT_EQ(platform::Utf16ToUtf8(p.utf16), p.utf8);
  }
  // A bad or missing continuation byte: one replacement, then what follows.
  for (const Pair& p : {Pair{"\xC3(", u"\xFFFD("}, Pair{"\xE4\xB8(", u"\xFFFD\xFFFD("},
                        Pair{"\xE4\xB8", u"\xFFFD\xFFFD"}, Pair{"\xF0\x90\x80", u"\xFFFD\xFFFD\xFFFD"},
                        Pair{"\x80" "a", u"\xFFFD" u"a"},
                        Pair{"\xFF" "a", u"\xFFFD" u"a"}}) {
    EXPECT_EQ(platform::Utf8ToUtf16(p.utf8), p.utf16) << p.utf8.size() << " bytes";
  }
  EXPECT_EQ(platform::Utf16ToUtf8(u"\xD800" u"a\xDC00"), "\xEF\xBF\xBD" "a" "\xEF\xBF\xBD") << "lone halves";
}

TEST(OleDate, ConvertsEachDateOfTheSharedTableBothWays) {
  for (const date_cases::Case& c : date_cases::Cases()) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day << " " << c.hour
                                    << ":" << c.minute << ":" << c.second);
    EXPECT_EQ(platform::OleDateFromCivil(c.year, c.month, c.day, c.hour, c.minute, c.second),
              c.date);
    const platform::CivilTime t = platform::CivilFromOleDate(c.date);
    EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}),
              (std::vector<int>{c.year, c.month, c.day, c.hour, c.minute, c.second}));
  }
}

TEST(OleDate, WholeSecondsRoundHalvesAwayFromZeroAsLlroundDoes) {
  int halves = 0;
  for (const double d : date_cases::RoundingDates()) {
    const double seconds = d * 86400;
    if (seconds - std::floor(seconds) == 0.5) ++halves;
    EXPECT_EQ(platform::OleDateToSeconds(d), std::llround(seconds)) << std::hexfloat << d;
  }
  EXPECT_GT(halves, 10);  // the table does reach the halves
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
