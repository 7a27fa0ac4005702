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

// Columns of a table padded to the widest cell; East Asian wide characters
// count two columns. CSV quotes where needed (RFC 4180); TSV turns tabs and
// line breaks inside a cell into spaces.
void WriteTable(std::ostream& out, OutputFormat format, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows);

// Display width of UTF-8 text on a terminal.
std::size_t DisplayWidth(std::string_view utf8);

}  // namespace norvale::fleet
