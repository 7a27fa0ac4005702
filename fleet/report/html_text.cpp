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

// Printable ASCII other than the five with entities, and the three
// controls text may hold: copied as they are.
bool IsPlainAscii(unsigned char b) {
  return (b >= 0x20 && b < 0x80 && !EntityFor(static_cast<char>(b))) || b == '\t' || b == '\n' ||
         b == '\r';
}

}  // namespace

// Runs of text that need nothing are copied in one piece: stored texts are
// mostly such runs, and a site's pages hold millions of them.
void AppendHtmlEscaped(std::string& out, std::string_view text) {
  std::size_t plain = 0;  // where the run not yet copied starts
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (IsPlainAscii(b)) {
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = b >= 0x80 ? DecodeOneUtf8(text, i, cp) : 0;
    if (n > 0) {  // a whole character beyond ASCII
      i += n;
      continue;
    }
    out.append(text.data() + plain, i - plain);
    if (const char* entity = EntityFor(text[i])) {
      out += entity;
    } else {
      out += b >= 0x80 ? kReplacement : std::string_view(" ");
    }
    plain = ++i;
  }
  out.append(text.data() + plain, i - plain);
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  AppendHtmlEscaped(out, text);
  return out;
}

}  // namespace norvale::fleet
