// Printing query results as an aligned table, CSV or TSV.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::fleet {

enum class OutputFormat { kTable, kCsv, kTsv };

std::optional<OutputFormat> ParseOutputFormat(std::string_view name);

// Who reads CSV or TSV output: a script wants the data exactly as stored; a
// file meant to be opened in a spreadsheet must never let a value start a
// formula.
enum class CellUse { kExactData, kSpreadsheet };

// Columns of a table padded to the widest cell; East Asian wide characters
// count two columns; tabs and line breaks become spaces and other control
// characters are shown as VisibleText shows them. CSV quotes where needed
// (RFC 4180) and keeps the data exact; TSV turns tabs and line breaks inside
// a cell into spaces and keeps the rest exact.
void WriteTable(std::ostream& out, OutputFormat format, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows,
                CellUse use = CellUse::kExactData);

// A cell a spreadsheet shows as text: one that starts with = + - @ (a
// formula) or a tab or carriage return (which a spreadsheet skips before
// one) gets a leading apostrophe, which the spreadsheet hides.
std::string SpreadsheetSafeCell(std::string_view cell);

// Text that cannot drive a terminal: control characters (C0, DEL, C1) are
// shown as escapes ("\x1b", "\u009b"), and bytes that are no UTF-8 as "\xNN";
// everything else is left as it is.
std::string VisibleText(std::string_view text);

// Display width of UTF-8 text on a terminal.
std::size_t DisplayWidth(std::string_view utf8);

}  // namespace norvale::fleet
