#include "platform/numeric.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace platform {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// Walks a text with its blanks, tabs and line feeds left out.
class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) { SkipBlanks(); }
  char Peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
  void Next() {
    ++i_;
    SkipBlanks();
  }
  bool Take(char a, char b) {
    if (Peek() != a && Peek() != b) return false;
    Next();
    return true;
  }

 private:
  void SkipBlanks() {
    while (i_ < s_.size() && IsBlank(s_[i_])) ++i_;
  }
  std::string_view s_;
  std::size_t i_ = 0;
};

// An unsigned integer wide enough for every number that can decide how a
// text rounds to a double: 801 significant digits over 10^1125 at the most
// (smaller values are 0), the two shifted to line up.
class BigNum {
 public:
  explicit BigNum(std::uint32_t v) : n_(v != 0) { w_[0] = v; }

  void MulAdd(std::uint32_t mul, std::uint32_t add) {
    std::uint64_t carry = add;
    for (int i = 0; i < n_; ++i) {
      carry += std::uint64_t{w_[i]} * mul;
      w_[i] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry != 0) w_[n_++] = static_cast<std::uint32_t>(carry);
  }
  void MulPow10(std::int64_t e) {
    for (; e >= 9; e -= 9) MulAdd(1000000000, 0);
    for (; e > 0; --e) MulAdd(10, 0);
  }
  void ShiftLeft(std::int64_t bits) {
    if (n_ == 0 || bits <= 0) return;
    const int words = static_cast<int>(bits / 32), rest = static_cast<int>(bits % 32);
    w_[n_] = 0;
    for (int i = n_; i >= 0; --i) {
      const std::uint32_t low = (rest != 0 && i > 0) ? w_[i - 1] >> (32 - rest) : 0;
      w_[i + words] = (w_[i] << rest) | low;
    }
    for (int i = 0; i < words; ++i) w_[i] = 0;
    n_ += words + 1;
    Trim();
  }
  void Subtract(const BigNum& o) {  // *this >= o
    std::int64_t borrow = 0;
    for (int i = 0; i < n_; ++i) {
      const std::int64_t d = std::int64_t{w_[i]} - (i < o.n_ ? o.w_[i] : 0) - borrow;
      borrow = d < 0;
      w_[i] = static_cast<std::uint32_t>(d);
    }
    Trim();
  }
  int Compare(const BigNum& o) const {
    if (n_ != o.n_) return n_ < o.n_ ? -1 : 1;
    for (int i = n_ - 1; i >= 0; --i) {
      if (w_[i] != o.w_[i]) return w_[i] < o.w_[i] ? -1 : 1;
    }
    return 0;
  }
  std::int64_t Bits() const { return n_ == 0 ? 0 : 32 * (n_ - 1) + std::bit_width(w_[n_ - 1]); }
  bool IsZero() const { return n_ == 0; }

 private:
  void Trim() {
    while (n_ > 0 && w_[n_ - 1] == 0) --n_;
  }
  static constexpr int kWords = 130;
  std::uint32_t w_[kWords + 1];
  int n_;
};

constexpr int kMaxDigits = 800;
constexpr std::int64_t kExponentCap = 1'000'000'000'000'000;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// num / den rounded to the nearest double, a half to the even one; both > 0.
double Quotient(BigNum& num, BigNum& den) {
  std::int64_t e = num.Bits() - den.Bits();
  if (e > 1100) return kInfinity;
  if (e > 0) den.ShiftLeft(e);
  else num.ShiftLeft(-e);
  if (num.Compare(den) < 0) {
    num.ShiftLeft(1);
    --e;
  }
  // Now the value is 2^e * num/den with 1 <= num/den < 2.
  if (e > 1023) return kInfinity;
  const std::int64_t bits = e >= -1022 ? 53 : e + 1075;  // fewer below the normal range
  if (bits < 0) return 0;
  std::uint64_t m = 0;
  for (std::int64_t i = 0; i < bits; ++i) {
    m <<= 1;
    if (num.Compare(den) >= 0) {
      num.Subtract(den);
      m |= 1;
    }
    num.ShiftLeft(1);
  }
  const bool half = num.Compare(den) >= 0;
  if (half) num.Subtract(den);
  if (half && (!num.IsZero() || (m & 1) != 0)) ++m;
  // A carry out of the mantissa moves on into the exponent field, up to infinity.
  return std::bit_cast<double>(e >= -1022 ? (std::uint64_t(e + 1022) << 52) + m : m);
}

// The &H / &O integer after its prefix, rounded once to a double.
double ReadRadix(Reader& r, int radix) {
  BigNum value(0);
  for (int d; (d = DigitValue(r.Peek())) < radix; r.Next()) {
    if (value.Bits() > 1100) return kInfinity;
    value.MulAdd(static_cast<std::uint32_t>(radix), static_cast<std::uint32_t>(d));
  }
  if (value.IsZero()) return 0;
  BigNum one(1);
  return Quotient(value, one);
}

// The longest leading decimal number, rounded once to a double.
double ReadDecimal(Reader& r) {
  const bool negative = r.Peek() == '-';
  if (negative || r.Peek() == '+') r.Next();
  BigNum digits(0);
  int count = 0;  // significant digits in `digits`
  bool anyDigit = false;
  bool dropped = false;  // a nonzero digit past kMaxDigits
  std::int64_t exponent = 0;
  for (bool fraction = false;; r.Next()) {
    const char c = r.Peek();
    if (c == '.' && !fraction) {
      fraction = true;
      continue;
    }
    if (!IsDigit(c)) break;
    anyDigit = true;
    if (count < kMaxDigits && (count > 0 || c != '0')) {
      digits.MulAdd(10, static_cast<std::uint32_t>(c - '0'));
      ++count;
      if (fraction) --exponent;
    } else if (count == kMaxDigits) {
      dropped |= c != '0';
      if (!fraction) ++exponent;
    } else if (fraction) {
      --exponent;  // a leading zero after the point
    }
  }
  if (!anyDigit) return 0;
  // Past 800 digits only "something more" counts: no halfway point between
  // two doubles has that many digits, so one more 1 stands for the rest.
  if (dropped) {
    digits.MulAdd(10, 1);
    ++count;
    --exponent;
  }
  const Reader mantissaEnd = r;
  if (r.Take('e', 'E')) {
    const bool minus = r.Peek() == '-';
    if (minus || r.Peek() == '+') r.Next();
    if (!IsDigit(r.Peek())) r = mantissaEnd;
    // Capped far beyond any shift a text can make with its digits, so that
    // the limits below apply to the written exponent and the shift together.
    std::int64_t e = 0;
    for (; IsDigit(r.Peek()); r.Next()) {
      e = std::min<std::int64_t>(e * 10 + (r.Peek() - '0'), kExponentCap);
    }
    exponent += minus ? -e : e;
  }
  double value = 0;
  if (count == 0 || count + exponent <= -324) {
    value = 0;  // below half the smallest double
  } else if (count - 1 + exponent >= 309) {
    value = kInfinity;
  } else {
    BigNum den(1);
    if (exponent >= 0) digits.MulPow10(exponent);
    else den.MulPow10(-exponent);
    value = Quotient(digits, den);
  }
  return negative ? -value : value;
}

}  // namespace

double NumericValue(std::string_view text) {
  Reader r(text);
  if (r.Peek() == '&') {
    Reader prefix = r;
    prefix.Next();
    if (prefix.Take('h', 'H')) return ReadRadix(prefix, 16);
    if (prefix.Take('o', 'O')) return ReadRadix(prefix, 8);
  }
  return ReadDecimal(r);
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
