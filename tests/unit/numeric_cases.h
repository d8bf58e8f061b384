// Texts and the numbers they read as: run by the native tests and, under
// Wine, by the Windows build's check (tests/numeric), so that both builds'
// readers are held to the same values, bit for bit (-0 is not 0).
#pragma once

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace numeric_cases {

struct Case {
  std::string text;
  double value;
};

// 2^1024 - 2^970: halfway between the largest double and 2^1024.
inline const char kHalfwayToInfinity[] =
    "17976931348623158079372897140530341507993413271003782693617377898044496829276475094664"
    "90179775872070963302864166928879109465555478519404026306574886715058206819089020007083"
    "83676273854845817711531764475730270069855571366959622842914819860834936475292719074168"
    "444365510704342711559699508093042880177904174497792";

inline std::vector<Case> Cases() {
  const double inf = std::numeric_limits<double>::infinity();
  const std::string zeros(800, '0'), manyZeros(100000, '0');
  return {
      // The shape of a number: what is read and where reading stops.
      {"", 0}, {"12", 12}, {"12abc", 12}, {"abc", 0}, {"-", 0}, {".", 0}, {"-.", 0},
      {"+7", 7}, {"-5", -5}, {"+-3", 0}, {"1.5", 1.5}, {".5", 0.5}, {"-.5", -0.5},
      {"1.2.3", 1.2}, {"1.e2", 100}, {"012", 12}, {"1,5", 1}, {"0x10", 0}, {"1d2", 1},
      {"1e3", 1000}, {"1E+2x", 100}, {"2e-1", 0.2}, {"1e", 1}, {"1e+", 1}, {"1e+-3", 1},
      {"1e-", 1}, {"1ee2", 1}, {".e1", 0}, {"1.5e+0", 1.5}, {"00000.00001e5", 1},
      // Blanks, tabs and line feeds count nowhere; other white space ends the text.
      {" 1 2 ", 12}, {"\t1\n5", 15}, {"- 3", -3}, {"1 . 5 e - 1", 0.15}, {"\t\n", 0},
      {"1\r2", 1}, {"1\v2", 1},
      // Zero keeps its sign, as the C library's reading does.
      {"0", 0}, {"-0", -0.0}, {"-0.000e999", -0.0}, {"+0", 0},
      // &H and &O integers.
      {"&H1F", 31}, {"&hff", 255}, {"& h 1 f", 31}, {"&O17", 15}, {"&o 7 7", 63}, {"&O9", 0}, {"&O18", 1},
      {"&H", 0}, {"&h", 0}, {"&", 0}, {"&HG", 0}, {"-&H1", 0}, {"&H-1", 0}, {"&H1F.5", 31},
      {"&H7FFFFFFF", 2147483647.0}, {"&HFFFFFFFFFFFFFFFF", 0x1p64},
      {"&H20000000000001", 0x1p53}, {"&H20000000000003", 0x1.0000000000002p53},
      {"&H" + std::string(300, 'F'), inf},
      // Too large or too small for a double: infinite or zero, never an error.
      {"1e400", inf}, {"-1e400", -inf}, {"1e-400", 0}, {"-1e-400", -0.0},
      {"1e99999999999999999999", inf}, {"0e99999999999999999999", 0},
      {std::string(500, '9'), inf}, {"0." + zeros + "1e800", 0.1},
      // The exponent's limits apply to the written exponent and the shift
      // of the digits together.
      {"0." + manyZeros + "1e100001", 1}, {"1" + manyZeros + "e-100001", 0.1},
      {"0." + manyZeros + "1e99999999999999999999", inf},
      // &H and &O texts beyond what any double holds, longer than the reader's number.
      {"&H" + std::string(1100, 'F'), inf}, {"&O" + std::string(1500, '7'), inf},
      // Correct rounding where it is hardest.
      {"0.1", 0x1.999999999999ap-4}, {"0.3", 0x1.3333333333333p-2},
      {"9007199254740993", 0x1p53}, {"9007199254740995", 0x1.0000000000002p53},
      {"9007199254740993." + zeros + "1", 0x1.0000000000001p53},
      {"9007199254740993" + zeros + "1e-801", 0x1.0000000000001p53},
      {"1.7976931348623157e308", 0x1.fffffffffffffp1023},
      {"1.7976931348623158e308", 0x1.fffffffffffffp1023},
      {kHalfwayToInfinity, inf}, {std::string(kHalfwayToInfinity) + ".0", inf},
      {"2.2250738585072011e-308", 0x0.fffffffffffffp-1022},
      {"2.2250738585072012e-308", 0x1p-1022},
      {"4.9406564584124654e-324", 0x1p-1074},
      {"2.4703282292062327e-324", 0}, {"2.4703282292062328e-324", 0x1p-1074},
      {"1e-323", 0x0.0000000000002p-1022}, {"123456789012345678901234567890", 0x1.8ee90ff6c373ep96},
  };
}

inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace numeric_cases
