#include "fleet/query/spreadsheet_text.h"

namespace norvale::fleet {

bool LooksLikeFormula(std::string_view text) {
  if (text.empty()) return false;
  switch (text.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return true;
    default:
      return false;
  }
}

std::string FormulaSafeText(std::string_view text) {
  if (!LooksLikeFormula(text)) return std::string(text);
  return "'" + std::string(text);
}

}  // namespace norvale::fleet
