// Number parsing and formatting: parsing agrees with the C library on what it
// accepts, and every formatted number reads back as (close to) itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/number_format.h"
#include "fuzz/fuzz_check.h"

namespace {

// Read in long double: 15 digits of the largest doubles round past them.
long double ReadBack(std::string text, char separator) {
  for (char& c : text) {
    if (c == separator) c = '.';
  }
  char* end = nullptr;
  const long double value = std::strtold(text.c_str(), &end);
  FUZZ_CHECK(end != text.c_str() && *end == '\0');
  return value;
}

void CheckParse(const std::string& text) {
  const auto parsed = norvale::ParseNumber(text);
  if (!parsed) return;
  // Only blanks, one sign, digits and one dot got through.
  const size_t first = text.find_first_not_of(" \t");
  const size_t last = text.find_last_not_of(" \t");
  FUZZ_CHECK(first != std::string::npos);
  const std::string body = text.substr(first, last - first + 1);
  FUZZ_CHECK(body.find_first_not_of("+-0123456789.") == std::string::npos);
  errno = 0;
  char* end = nullptr;
  const double expected = std::strtod(body.c_str(), &end);
  FUZZ_CHECK(*end == '\0');
  if (errno == ERANGE && std::fabs(expected) < 1) {
    FUZZ_CHECK(std::fabs(*parsed) <= std::fabs(expected));  // underflow: zero
  } else {
    FUZZ_CHECK(errno != ERANGE);
    FUZZ_CHECK(*parsed == expected);
  }
  if (const auto whole = norvale::ToInt32(text)) FUZZ_CHECK(std::fabs(*whole - *parsed) <= 0.5);
}

void CheckFormat(double value, int decimals) {
  if (!std::isfinite(value)) return;
  const std::string fixed = norvale::FormatFixed(value, decimals, ",");
  const size_t comma = fixed.find(',');
  FUZZ_CHECK(decimals == 0 ? comma == std::string::npos
                           : fixed.size() - comma - 1 == static_cast<size_t>(decimals));
  const long double back = ReadBack(fixed, ',');
  const long double step = std::pow(10.0L, -decimals);
  FUZZ_CHECK(std::fabs(back - value) <= step * 0.5L + std::fabs(value) * 1e-15L);

  const std::string shortest = norvale::FormatShortest(value, ",");
  const long double near = ReadBack(shortest, ',');
  FUZZ_CHECK(std::fabs(near - value) <= std::fabs(value) * 1e-14L);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int decimals = in.ConsumeIntegralInRange(0, 40);
  double value = 0;
  if (in.remaining_bytes() >= sizeof value) {
    const auto bytes = in.ConsumeBytes<uint8_t>(sizeof value);
    std::memcpy(&value, bytes.data(), sizeof value);
  }
  CheckFormat(value, decimals);
  const std::string text = in.ConsumeRemainingBytesAsString();
  CheckParse(text);
  if (const auto parsed = norvale::ParseNumber(text)) CheckFormat(*parsed, decimals);
  return 0;
}
