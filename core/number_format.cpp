#include "core/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace norvale {
namespace {

std::string WithSeparator(std::string text, std::string_view separator) {
  const auto dot = text.find('.');
  if (dot != std::string::npos) text.replace(dot, 1, separator);
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

constexpr int kMaxScaledDecimals = 18;
// Every double's exact decimal expansion ends within this many decimals.
constexpr int kExactDecimals = 1100;

// `value` with `decimals` decimals, rounded half away from zero on its exact
// binary value: the exact expansion is printed and rounded as text.
std::string ExactFixed(double value, int decimals) {
  std::string text(kExactDecimals + 400, '\0');
  const int n = std::snprintf(text.data(), text.size(), "%.*f", kExactDecimals, std::fabs(value));
  text.resize(static_cast<size_t>(n));
  const size_t dot = text.find('.');
  std::string digits = text.substr(0, dot) + text.substr(dot + 1);
  const size_t whole = dot;
  const size_t keep = whole + static_cast<size_t>(std::min(decimals, kExactDecimals));
  const bool round_up = keep < digits.size() && digits[keep] >= '5';
  digits.resize(keep);
  if (round_up) {
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(digits.begin(), '1');
    } else {
      ++digits[i - 1];
    }
  }
  const size_t whole_digits = digits.size() - (keep - whole);
  std::string out =
      std::signbit(value) && digits.find_first_not_of('0') != std::string::npos ? "-" : "";
  out += digits.substr(0, whole_digits);
  if (decimals > 0) {
    out += '.';
    out += digits.substr(whole_digits);
    out.append(static_cast<size_t>(decimals - std::min(decimals, kExactDecimals)), '0');
  }
  return out;
}

}  // namespace

std::string FormatFixed(double value, int decimals, std::string_view separator) {
  if (!std::isfinite(value)) return FormatShortest(value, separator);
  if (decimals < 0) decimals = 0;
  // Past 18 decimals the scale no longer fits a 64-bit whole number.
  if (decimals > kMaxScaledDecimals) return WithSeparator(ExactFixed(value, decimals), separator);
  double scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  // std::round takes halves away from zero; the scaled value is exact for the
  // byte counts we format (multiples of a power of two).
  const double scaled = std::round(value * scale);
  // Beyond a 64-bit whole number (or past infinity when scaled), round the
  // exact value instead.
  if (!(std::fabs(scaled) < 9.0e18)) return WithSeparator(ExactFixed(value, decimals), separator);
  const auto whole = static_cast<long long>(scaled);
  const unsigned long long magnitude = whole < 0 ? 0ULL - static_cast<unsigned long long>(whole)
                                                 : static_cast<unsigned long long>(whole);
  const auto step = static_cast<unsigned long long>(scale);
  std::string text = whole < 0 ? "-" : "";
  text += std::to_string(magnitude / step);
  if (decimals > 0) {
    std::string fraction = std::to_string(magnitude % step);
    text += separator;
    text += std::string(static_cast<size_t>(decimals) - fraction.size(), '0') + fraction;
  }
  return text;
}

std::string FormatShortest(double value, std::string_view separator) {
  if (value == 0) return "0";  // also -0
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  return WithSeparator(buf, separator);
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

std::optional<double> ParseNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  size_t digits = 0;
  size_t dots = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.') {
      ++dots;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0 || dots > 1) return std::nullopt;
  // from_chars does not take ".5" or "5." on every library; spell them out.
  const std::string padded = "0" + std::string(text) + (text.back() == '.' ? "0" : "");
  double value = 0;
  const auto [end, ec] = std::from_chars(padded.data(), padded.data() + padded.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too small for a double is zero; too large is no number we can hold.
    const std::string_view whole = text.substr(0, text.find('.'));
    if (whole.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
    value = 0;
  } else if (ec != std::errc() || end != padded.data() + padded.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::optional<std::int32_t> ToInt32(std::string_view text) {
  const auto number = ParseNumber(text);
  if (!number) return std::nullopt;
  const double rounded = RoundHalfEven(*number);
  if (rounded < std::numeric_limits<std::int32_t>::min() ||
      rounded > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace norvale
