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

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
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
