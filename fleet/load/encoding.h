// Character sets of result files: each PC writes in its own ANSI code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvale::fleet {

enum class Encoding { kUtf8, kShiftJis, kWindows1252 };

// "utf-8", "shift_jis", "windows-1252" (the names --encoding takes).
std::string_view EncodingName(Encoding encoding);
// Accepts the names above and the usual aliases (utf8, sjis, cp932, cp1252, ...).
std::optional<Encoding> ParseEncodingName(std::string_view name);

// A decoded file. Bytes that are UTF-8 already are not copied: the text is
// then a view of them, valid as long as they are.
struct DecodedText {
  Encoding encoding{};
  bool ok = false;
  int bad_line = 0;  // when !ok: the line with the first byte that does not decode
  // The text, as UTF-8, without a byte order mark.
  std::string_view utf8() const { return converted ? std::string_view(conversion) : unconverted; }

  std::string_view unconverted;  // when !converted: the input itself
  std::string conversion;        // when converted: the code page's text as UTF-8
  bool converted = false;
};

// Decodes with one given encoding; never guesses and never replaces a byte.
// The result is checked to be well-formed UTF-8 by this program's own rules
// (no overlong forms, surrogates or code points past U+10FFFF), whatever the
// system's converter let through.
DecodedText DecodeAs(std::string_view bytes, Encoding encoding);

// Decodes a result file by this rule:
//  1. a UTF-8 byte order mark and valid UTF-8 after it: UTF-8;
//  2. plain ASCII: as is (every candidate reads it the same);
//  3. Shift_JIS (Windows code page 932) when the whole file decodes cleanly and
//     it holds Japanese labels only a Japanese system writes;
//  4. valid UTF-8 without a mark: UTF-8 (Western text is practically never
//     valid multi-byte UTF-8 by accident);
//  5. otherwise Windows-1252, which fails on its five undefined bytes.
// A file that fits none of them comes back with ok == false.
DecodedText DecodeResultFile(std::string_view bytes);

}  // namespace norvale::fleet
