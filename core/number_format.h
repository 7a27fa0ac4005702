// Number texts as the result files have always shown them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvale {

// Fixed number of decimals ("0" is 0 decimals, "0.0" is 1), halves away from
// zero, no thousands separator, `separator` as the decimal point.
std::string FormatFixed(double value, int decimals, std::string_view separator);

// The shortest text that reads back as the value, with at most 15
// significant digits; exponent form only for very large or small numbers.
std::string FormatShortest(double value, std::string_view separator);

// Rounds to the nearest whole number, a half to the even neighbour.
double RoundHalfEven(double value);

// A plain decimal number: blanks around it, an optional sign, digits with an
// optional fraction. Anything else (exponents, hex, thousands separators) is
// not a number. Digits too many for a double are rounded; a value too small
// for one is zero, and one too large for one is not a number.
std::optional<double> ParseNumber(std::string_view text);

// The number rounded half to even, or nullopt when it is not a number or does
// not fit a signed 32-bit whole number.
std::optional<std::int32_t> ToInt32(std::string_view text);

}  // namespace norvale
