// Text helpers: UTF-8 <-> UTF-16LE (registry data and settings files in
// Unicode), decoding and checking UTF-8, trimming, case, display width.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvale {

// Decodes UTF-16LE bytes (an odd last byte is ignored); unpaired surrogates
// become U+FFFD. Stops at nothing: callers cut at NUL themselves.
std::string Utf16LeToUtf8(std::string_view bytes);
std::string Utf8ToUtf16Le(std::string_view utf8);

// The well-formed UTF-8 sequence at `at`: its length, with its code point in
// `cp`; 0, leaving `cp` as it was, when the bytes there are no UTF-8 (overlong
// forms, surrogates and code points past U+10FFFF included: each would let
// one character pass for another).
size_t DecodeOneUtf8(std::string_view utf8, size_t at, char32_t& cp);

// Decodes UTF-8 to code points; each byte that does not start a well-formed
// sequence (overlong forms, surrogates and code points past U+10FFFF
// included) becomes U+FFFD. Encoding turns surrogates and code points past
// U+10FFFF into U+FFFD, so the result is always well-formed UTF-8.
std::u32string Utf8ToCodePoints(std::string_view utf8);
std::string CodePointsToUtf8(std::u32string_view code_points);

// The offset of the first byte that does not start a well-formed UTF-8
// sequence (by the same rules), or std::string_view::npos when all are.
size_t FindInvalidUtf8(std::string_view utf8);

// The text before the first NUL character; a text without any NUL is empty
// (that is what a Windows buffer without its terminator holds for us).
std::string CutAtNul(std::string_view text);

// Leading and trailing spaces removed; other white space kept.
std::string TrimSpaces(std::string_view text);

// The text without any of `characters` at its end.
std::string TrimEnd(std::string_view text, std::string_view characters);

// ASCII upper case, leaving other characters alone.
std::string UpperAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// A value that may be missing (a null database field) as text: empty then.
// A template, so that nothing but an optional matches and Text("...") of
// core/value.h stays the one for plain texts.
template <typename String>
String Text(const std::optional<String>& value) {
  return value.value_or(String());
}

// East Asian wide and full-width characters: two columns of a fixed-width
// display, where other characters take one.
bool IsWide(char32_t cp);

}  // namespace norvale
