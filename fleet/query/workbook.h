// Answers as an Excel workbook (.xlsx): one sheet per table, the header row
// frozen with filters, numbers as numbers, dates as dates and every text as
// text. The only file that uses libxlsxwriter.
#pragma once

#include <string>
#include <vector>

#include "fleet/query/table_output.h"

namespace norvale::fleet {

struct WorkbookSheet {
  std::string name;  // at most 31 characters, none of []:*?/\ (fixed names only)
  const ResultTable* table;
};

// The rows a sheet holds at most besides its header (the format's limit).
inline constexpr std::size_t kMaxSheetRows = 1048575;

// Writes the workbook; throws std::runtime_error naming the file when it
// cannot. Returns the names of the sheets cut at kMaxSheetRows.
std::vector<std::string> WriteWorkbook(const std::string& path,
                                       const std::vector<WorkbookSheet>& sheets);

}  // namespace norvale::fleet
