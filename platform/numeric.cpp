#include "platform/numeric.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace platform {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

double ReadRadix(std::string_view s, int radix) {
  double value = 0;
  for (char c : s) {
    const int d = DigitValue(c);
    if (d >= radix) break;
    value = value * radix + d;
  }
  return value;
}

// The longest leading decimal number of s, as a clean text for strtod.
std::string LeadingNumber(std::string_view s) {
  std::string out;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) out += s[i++];
  bool digits = false;
  while (i < s.size() && IsDigit(s[i])) { out += s[i++]; digits = true; }
  if (i < s.size() && s[i] == '.') {
    out += s[i++];
    while (i < s.size() && IsDigit(s[i])) { out += s[i++]; digits = true; }
  }
  if (!digits) return {};
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) exponent += s[j++];
      out += exponent;
    }
  }
  return out;
}

}  // namespace

double NumericValue(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') s += c;
  }
  if (s.size() >= 2 && s[0] == '&') {
    if (s[1] == 'h' || s[1] == 'H') return ReadRadix(std::string_view(s).substr(2), 16);
    if (s[1] == 'o' || s[1] == 'O') return ReadRadix(std::string_view(s).substr(2), 8);
  }
  const std::string number = LeadingNumber(s);
  if (number.empty()) return 0;
  // The program never changes the C locale, so strtod reads the full stop;
  // on overflow it gives an infinite value and on underflow 0.
  return std::strtod(number.c_str(), nullptr);
}

double RoundHalfEven(double value) {
  // The default rounding mode rounds halves to even.
  return std::nearbyint(value);
}

namespace {
template <typename T>
T Clamped(double value) {
  const double r = RoundHalfEven(value);
  if (std::isnan(r)) return 0;
  if (r <= std::numeric_limits<T>::min()) return std::numeric_limits<T>::min();
  if (r >= std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
  return static_cast<T>(r);
}
}  // namespace

std::int16_t ToInt16(double value) { return Clamped<std::int16_t>(value); }
std::int32_t ToInt32(double value) { return Clamped<std::int32_t>(value); }

}  // namespace platform
