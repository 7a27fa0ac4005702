// Printing query results as an aligned table, CSV or TSV.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::fleet {

enum class OutputFormat { kTable, kCsv, kTsv };

// The names ParseOutputFormat knows, for messages: "table, csv or tsv".
inline constexpr std::string_view kOutputFormatNames = "table, csv or tsv";

std::optional<OutputFormat> ParseOutputFormat(std::string_view name);

// What a column holds, for a spreadsheet: numbers are plain decimal text,
// dates "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS".
enum class CellType { kText, kNumber, kDate };

struct ResultTable {
  std::vector<std::string> header;
  std::vector<CellType> types;  // one per column
  std::vector<std::vector<std::string>> rows;
};

// Who reads CSV or TSV output: a script wants the data exactly as stored; a
// file meant to be opened in a spreadsheet must never let a value start a
// formula.
enum class CellUse { kExactData, kSpreadsheet };

// Columns of a table padded to the widest cell; East Asian wide characters
// count two columns; tabs and line breaks become spaces and other control
// characters are shown as VisibleText shows them. With `max_width` the widest
// columns are narrowed until a line fits, their long cells shortened with "…";
// date columns (by `types`, one per column) and then the first column only
// when the others can give no more.
// CSV quotes where needed (RFC 4180) and keeps the data exact; TSV turns tabs
// and line breaks inside a cell into spaces and keeps the rest exact.
void WriteTable(std::ostream& out, OutputFormat format, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows,
                CellUse use = CellUse::kExactData, std::size_t max_width = 0,
                const std::vector<CellType>& types = {});

// CSV as spreadsheet programs open it right in any language: UTF-8 with a
// byte-order mark, CRLF line ends, and text cells made safe with
// SpreadsheetSafeCell (number columns are left as they are).
void WriteSpreadsheetCsv(std::ostream& out, const ResultTable& table);

// `text` cut to `width` terminal columns, ending in "…" when it was longer.
std::string FitToWidth(const std::string& text, std::size_t width);

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
