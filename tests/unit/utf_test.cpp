#include "core/utf.h"

#include <gtest/gtest.h>

#include <cstdint>

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

TEST(Utf8Decoding, OneSequenceLeavesTheCodePointAloneWhenIllFormed) {
  // An overlong U+3000 would otherwise pass for a wide ideographic space.
  struct Case {
    std::string bytes;
    size_t length;
    char32_t cp;
  } cases[] = {
      {"\xE3\x80\x80", 3, 0x3000},
      {"\xF0\x83\x80\x80", 0, 0x7E},
      {"\xE3\x80", 0, 0x7E},
      {"z", 1, U'z'},
  };
  for (const Case& c : cases) {
    char32_t cp = 0x7E;
    EXPECT_EQ(DecodeOneUtf8(c.bytes, 0, cp), c.length) << c.bytes;
    EXPECT_EQ(cp, c.cp) << c.bytes;
  }
}

TEST(TextHelpers, WidthAndTrimming) {
  struct Width {
    char32_t cp;
    bool wide;
  } widths[] = {
      {U'A', false},  {0x10FF, false}, {0x1100, true},  {0x3042, true},  {0xA4D0, false},
      {0xD7A3, true}, {0xFF01, true},  {0xFF61, false}, {0x20000, true}, {0x3FFFE, false},
  };
  for (const Width& w : widths)
    EXPECT_EQ(IsWide(w.cp), w.wide) << std::hex << static_cast<std::uint32_t>(w.cp);

  EXPECT_EQ(TrimEnd("server down\n \n", "\n "), "server down");
  EXPECT_EQ(TrimEnd(" keep  ", " "), " keep");
  EXPECT_EQ(TrimEnd("   ", " "), "");
  EXPECT_EQ(TrimEnd("tab\t", " "), "tab\t");
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
