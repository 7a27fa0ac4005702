// Text conversions: UTF-8 and UTF-16 decoding always yields well-formed text
// that survives further round trips, and the stand-in code page never turns
// a character into a delimiter or quote.
#include <fuzzer/FuzzedDataProvider.h>

#include "core/utf.h"
#include "fuzz/fuzz_check.h"
#include "tests/fakes/fake_machine.h"

namespace {

// Well-formed UTF-8 by the table of RFC 3629, written out independently.
bool IsWellFormedUtf8(std::string_view s) {
  size_t i = 0;
  auto in = [&](size_t k, unsigned lo, unsigned hi) {
    if (i + k >= s.size()) return false;
    const auto c = static_cast<unsigned char>(s[i + k]);
    return c >= lo && c <= hi;
  };
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t length = 0;
    if (b <= 0x7F) {
      length = 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = in(1, 0x80, 0xBF) ? 2 : 0;
    } else if (b == 0xE0) {
      length = in(1, 0xA0, 0xBF) && in(2, 0x80, 0xBF) ? 3 : 0;
    } else if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) {
      length = in(1, 0x80, 0xBF) && in(2, 0x80, 0xBF) ? 3 : 0;
    } else if (b == 0xED) {
      length = in(1, 0x80, 0x9F) && in(2, 0x80, 0xBF) ? 3 : 0;
    } else if (b == 0xF0) {
      length = in(1, 0x90, 0xBF) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
    } else if (b >= 0xF1 && b <= 0xF3) {
      length = in(1, 0x80, 0xBF) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
    } else if (b == 0xF4) {
      length = in(1, 0x80, 0x8F) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
    }
    if (length == 0) return false;
    i += length;
  }
  return true;
}

bool HasUnpairedSurrogate(std::string_view utf16) {
  const size_t units = utf16.size() / 2;
  auto unit = [&](size_t k) {
    return static_cast<unsigned>(static_cast<unsigned char>(utf16[2 * k]) |
                                 (static_cast<unsigned char>(utf16[2 * k + 1]) << 8));
  };
  for (size_t k = 0; k < units; ++k) {
    const unsigned u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
        ++k;
        continue;
      }
      return true;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) return true;
  }
  return false;
}

size_t Count(std::string_view s, char c) {
  size_t n = 0;
  for (char x : s) n += x == c;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvale;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // UTF-8: decoding then encoding gives well-formed text; well-formed input
  // comes back byte for byte.
  const std::u32string points = Utf8ToCodePoints(bytes);
  const std::string utf8 = CodePointsToUtf8(points);
  FUZZ_CHECK(IsWellFormedUtf8(utf8));
  FUZZ_CHECK(Utf8ToCodePoints(utf8) == points);
  if (IsWellFormedUtf8(bytes)) FUZZ_CHECK(utf8 == bytes);
  // ASCII bytes are never eaten or made up by the decoder.
  FUZZ_CHECK(Count(utf8, ',') == Count(bytes, ',') && Count(utf8, '"') == Count(bytes, '"'));

  // UTF-16: any bytes give well-formed UTF-8, and UTF-16 without unpaired
  // surrogates comes back unchanged.
  const std::string from16 = Utf16LeToUtf8(bytes);
  FUZZ_CHECK(IsWellFormedUtf8(from16));
  const std::string even = bytes.substr(0, bytes.size() & ~size_t{1});
  if (!HasUnpairedSurrogate(even)) FUZZ_CHECK(Utf8ToUtf16Le(from16) == even);
  FUZZ_CHECK(Utf16LeToUtf8(Utf8ToUtf16Le(utf8)) == utf8);

  // The code page of the test machine: ASCII out, one default character per
  // character it lacks, delimiters only where the text had them.
  fakes::FakeLocale locale;
  locale.ascii_code_page = true;
  const std::string ansi = locale.ToAnsi(bytes);
  FUZZ_CHECK(ansi.size() == points.size());
  for (char c : ansi) FUZZ_CHECK(static_cast<unsigned char>(c) < 0x80);
  for (char c : {',', '"', '\t', '\r', '\n'}) FUZZ_CHECK(Count(ansi, c) == Count(bytes, c));
  return 0;
}
