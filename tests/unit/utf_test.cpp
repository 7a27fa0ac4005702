#include "core/utf.h"

#include <gtest/gtest.h>

namespace norvale {
namespace {

TEST(Utf8Decoding, IllFormedSequencesBecomeReplacementCharacters) {
  const std::u32string bad = U"\uFFFD";
  struct Case {
    const char* name;
    std::string bytes;
    std::u32string want;
  } cases[] = {
      {"plain", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", U"a\u00E9\u20AC\U0001F600"},
      {"overlong slash", "\xC0\xAF", bad + bad},
      {"overlong two bytes", "\xC1\x81", bad + bad},
      {"overlong three bytes", "\xE0\x80\xAF", bad + bad + bad},
      {"overlong four bytes", "\xF0\x80\x80\xAF", bad + bad + bad + bad},
      {"high surrogate", "\xED\xA0\x80", bad + bad + bad},
      {"low surrogate", "\xED\xBF\xBF", bad + bad + bad},
      {"past U+10FFFF", "\xF4\x90\x80\x80", bad + bad + bad + bad},
      {"lead byte F5", "\xF5\x80\x80\x80", bad + bad + bad + bad},
      {"largest", "\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
      {"just below surrogates", "\xED\x9F\xBF", U"\uD7FF"},
      {"truncated", "a\xE2\x82", U"a" + bad + bad},
      {"stray continuation", "\x80z", bad + U"z"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToCodePoints(c.bytes), c.want) << c.name;
}

TEST(Utf8Encoding, NeverWritesSurrogatesOrCodePointsPastTheEnd) {
  const std::u32string points = {U'a', 0xD800, 0xDFFF, 0x110000, 0x10FFFF};
  EXPECT_EQ(CodePointsToUtf8(points), "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xF4\x8F\xBF\xBF");
}

TEST(Utf16, RoundTripsAndReplacesUnpairedSurrogates) {
  const std::string text = "Z\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16LeToUtf8(Utf8ToUtf16Le(text)), text);
  // A lone high surrogate, then a lone low one.
  EXPECT_EQ(Utf16LeToUtf8(std::string("\x00\xD8\x41\x00\x00\xDC", 6)),
            "\xEF\xBF\xBD"
            "A"
            "\xEF\xBF\xBD");
  // An overlong "/" does not survive into UTF-16 as a real slash.
  EXPECT_EQ(Utf8ToUtf16Le("\xC0\xAF"), std::string("\xFD\xFF\xFD\xFF", 4));
}

}  // namespace
}  // namespace norvale
