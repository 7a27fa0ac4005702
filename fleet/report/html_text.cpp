#include "fleet/report/html_text.h"

#include "core/utf.h"

namespace norvale::fleet {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

const char* EntityFor(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&#39;";
    default:
      return nullptr;
  }
}

}  // namespace

void AppendHtmlEscaped(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (const char* entity = EntityFor(text[i])) {
      out += entity;
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = DecodeOneUtf8(text, i, cp);
    if (n == 0) {
      out += kReplacement;
      ++i;
    } else if (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') {
      out += ' ';
      ++i;
    } else {
      out.append(text.data() + i, n);
      i += n;
    }
  }
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  AppendHtmlEscaped(out, text);
  return out;
}

}  // namespace norvale::fleet
