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

// Columns of a table padded to the widest cell; East Asian wide characters
// count two columns. With `max_width` the widest columns are narrowed until a
// line fits, their long cells shortened with "…". CSV quotes where needed
// (RFC 4180); TSV turns tabs and line breaks inside a cell into spaces.
void WriteTable(std::ostream& out, OutputFormat format, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows, std::size_t max_width = 0);

// CSV as spreadsheet programs open it right in any language: UTF-8 with a
// byte-order mark, CRLF line ends, and text that could pass for a formula
// kept as text.
void WriteSpreadsheetCsv(std::ostream& out, const ResultTable& table);

// `text` cut to `width` terminal columns, ending in "…" when it was longer.
std::string FitToWidth(const std::string& text, std::size_t width);

// Display width of UTF-8 text on a terminal.
std::size_t DisplayWidth(std::string_view utf8);

}  // namespace norvale::fleet
