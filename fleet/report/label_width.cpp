#include "fleet/report/label_width.h"

#include "core/utf.h"

namespace norvale::fleet {

std::string ShortenLabel(std::string_view text, int width) {
  int used = 0;
  std::size_t i = 0, cut = std::string_view::npos;
  while (i < text.size()) {
    char32_t cp = 0;
    std::size_t n = DecodeOneUtf8(text, i, cp);
    if (n == 0) n = 1;
    const int w = IsWide(cp) ? 2 : 1;
    if (used + w > width - 1 && cut == std::string_view::npos) cut = i;
    if (used + w > width) return std::string(text.substr(0, cut)) + "\u2026";
    used += w;
    i += n;
  }
  return std::string(text);
}

}  // namespace norvale::fleet
