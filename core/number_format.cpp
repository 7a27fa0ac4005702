#include "core/number_format.h"

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

}  // namespace

std::string FormatFixed(double value, int decimals, std::string_view separator) {
  if (!std::isfinite(value)) return FormatShortest(value, separator);
  double scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  // std::round takes halves away from zero; the scaled value is exact for the
  // byte counts we format (multiples of a power of two).
  const double scaled = std::round(value * scale);
  if (std::fabs(scaled) >= 9.0e18) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, scaled / scale);
    return WithSeparator(buf, separator);
  }
  const auto whole = static_cast<long long>(scaled);
  const unsigned long long magnitude =
      whole < 0 ? 0ULL - static_cast<unsigned long long>(whole) : static_cast<unsigned long long>(whole);
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
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) {
    // from_chars does not take ".5" or "5." on every library; spell them out.
    std::string padded = "0" + std::string(text) + "0";
    const auto [end2, ec2] = std::from_chars(padded.data(), padded.data() + padded.size(), value);
    if (ec2 != std::errc() || end2 != padded.data() + padded.size()) return std::nullopt;
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
