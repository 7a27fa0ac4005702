// Text bound for a spreadsheet cell: whatever the share's files contain, a
// cell never becomes a formula.
#pragma once

#include <string>
#include <string_view>

namespace norvale::fleet {

// True when a spreadsheet program would read `text` typed into a cell as a
// formula: it starts with =, +, -, @, a tab or a carriage return.
bool LooksLikeFormula(std::string_view text);

// `text` with a leading apostrophe where it looks like a formula, which
// spreadsheet programs show as the text itself.
std::string FormulaSafeText(std::string_view text);

}  // namespace norvale::fleet
