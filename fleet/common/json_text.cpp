#include "fleet/common/json_text.h"

#include "core/utf.h"

namespace norvale::fleet {
namespace {

bool NeedsUnicodeEscape(char32_t cp) {
  return cp < 0x20 || cp == '<' || cp == '>' || cp == '&' || cp == 0x2028 || cp == 0x2029;
}

void AppendUnicodeEscape(std::string& out, char32_t cp) {
  static const char kHex[] = "0123456789abcdef";
  out += "\\u";
  out += kHex[(cp >> 12) & 0xF];
  out += kHex[(cp >> 8) & 0xF];
  out += kHex[(cp >> 4) & 0xF];
  out += kHex[cp & 0xF];
}

// ASCII that goes out as it is: printable, and neither a quote, a
// backslash nor one of the characters a <script> element must not see.
bool IsPlainAscii(unsigned char byte) {
  return byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\' && byte != '<' && byte != '>' &&
         byte != '&';
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    // Most stored text is plain ASCII: a run of it is copied whole.
    std::size_t plain = i;
    while (plain < text.size() && IsPlainAscii(static_cast<unsigned char>(text[plain]))) ++plain;
    if (plain > i) {
      out.append(text.data() + i, plain - i);
      i = plain;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = DecodeOneUtf8(text, i, cp);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (cp == '"' || cp == '\\') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (NeedsUnicodeEscape(cp)) {
      AppendUnicodeEscape(out, cp);
    } else {
      out.append(text.data() + i, n);
    }
    i += n;
  }
  out += '"';
}

}  // namespace norvale::fleet
