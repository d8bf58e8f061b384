// Reading numbers out of what the user typed or pasted.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

// The numeric value of a text: blanks, tabs and line feeds are skipped
// wherever they stand; then the longest leading number is read (sign,
// digits, one full stop, exponent), or a &H / &O integer. A text that does
// not begin with a number is 0; whatever follows the number is ignored.
// A number too large for a double is infinite, never an error.
double NumericValue(std::string_view text);

// To the nearest whole number, a half going to the even neighbour.
double RoundHalfEven(double value);

// Rounded half to even, then clamped into the type's range.
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);

}  // namespace platform
