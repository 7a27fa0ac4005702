#include "fleet/query/workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "fleet/system/files.h"

namespace norvale::fleet {
namespace {

// Excel's limit for the text of one cell, in characters; bytes are counted
// here, which only ever cuts earlier.
constexpr std::size_t kMaxCellText = 32767;
constexpr double kMaxColumnWidth = 60;

// Cut at a character boundary.
std::string CellText(const std::string& text) {
  if (text.size() <= kMaxCellText) return text;
  std::size_t end = kMaxCellText;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

bool ParseDateTime(const std::string& text, lxw_datetime& out) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  int used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) != 3 || used != 10) {
    return false;
  }
  if (text.size() > 10 &&
      (std::sscanf(text.c_str() + 10, " %2d:%2d:%2d%n", &h, &mi, &s, &used) != 3 ||
       10 + static_cast<std::size_t>(used) != text.size())) {
    return false;
  }
  if (y < 1900 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  out = lxw_datetime{y, mo, d, h, mi, static_cast<double>(s)};
  return true;
}

bool ParseNumber(const std::string& text, double& out) {
  if (text.empty() || text.find_first_not_of("0123456789.-+eE") != std::string::npos) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size();
}

class Writer {
 public:
  // Writes into `file`; messages name `path`, the workbook asked for.
  Writer(const std::string& file, const std::string& path) : path_(path) {
    lxw_workbook_options options{};
    options.constant_memory = 1;  // rows go to disk as they are written
    options.use_zip64 = 1;
    workbook_ = workbook_new_opt(file.c_str(), &options);
    if (!workbook_) throw std::runtime_error("cannot write the workbook " + path);
    header_ = workbook_add_format(workbook_);
    format_set_bold(header_);
    date_ = workbook_add_format(workbook_);
    format_set_num_format(date_, "yyyy-mm-dd");
    date_time_ = workbook_add_format(workbook_);
    format_set_num_format(date_time_, "yyyy-mm-dd hh:mm:ss");
  }
  ~Writer() {
    if (workbook_) workbook_close(workbook_);  // only after a failure: leaves what was written
  }

  bool AddSheet(const WorkbookSheet& sheet) {
    const ResultTable& table = *sheet.table;
    lxw_worksheet* ws = workbook_add_worksheet(workbook_, sheet.name.c_str());
    if (!ws) throw std::runtime_error("cannot add the sheet " + sheet.name + " to " + path_);
    const std::size_t rows = std::min(table.rows.size(), kMaxSheetRows);
    const auto columns = static_cast<lxw_col_t>(table.header.size());
    // Widths first: in constant memory mode a column is set before its cells.
    for (lxw_col_t c = 0; c < columns; ++c) {
      std::size_t width = DisplayWidth(table.header[c]) + 3;  // room for the filter button
      for (std::size_t r = 0; r < rows && r < 2000; ++r) {
        if (c < table.rows[r].size()) width = std::max(width, DisplayWidth(table.rows[r][c]) + 1);
      }
      worksheet_set_column(ws, c, c, std::min<double>(static_cast<double>(width), kMaxColumnWidth),
                           nullptr);
    }
    worksheet_freeze_panes(ws, 1, 0);
    if (columns > 0) {
      worksheet_autofilter(ws, 0, 0, static_cast<lxw_row_t>(rows), columns - 1);
    }
    for (lxw_col_t c = 0; c < columns; ++c) {
      Check(worksheet_write_string(ws, 0, c, CellText(table.header[c]).c_str(), header_));
    }
    for (std::size_t r = 0; r < rows; ++r) {
      const auto& cells = table.rows[r];
      const auto row = static_cast<lxw_row_t>(r + 1);
      for (lxw_col_t c = 0; c < columns && c < cells.size(); ++c) {
        const std::string& text = cells[c];
        if (text.empty()) continue;
        const CellType type = c < table.types.size() ? table.types[c] : CellType::kText;
        double number = 0;
        lxw_datetime when{};
        if (type == CellType::kNumber && ParseNumber(text, number)) {
          Check(worksheet_write_number(ws, row, c, number, nullptr));
        } else if (type == CellType::kDate && ParseDateTime(text, when)) {
          Check(worksheet_write_datetime(ws, row, c, &when, text.size() > 10 ? date_time_ : date_));
        } else {
          // A string cell: whatever it starts with, never a formula.
          Check(worksheet_write_string(ws, row, c, CellText(text).c_str(), nullptr));
        }
      }
    }
    return rows < table.rows.size();
  }

  void Close() {
    const lxw_error error = workbook_close(workbook_);
    workbook_ = nullptr;
    if (error != LXW_NO_ERROR) {
      throw std::runtime_error("cannot write the workbook " + path_ + ": " + lxw_strerror(error));
    }
  }

 private:
  void Check(lxw_error error) {
    if (error != LXW_NO_ERROR) {
      throw std::runtime_error("cannot write the workbook " + path_ + ": " + lxw_strerror(error));
    }
  }

  std::string path_;
  lxw_workbook* workbook_ = nullptr;
  lxw_format* header_ = nullptr;
  lxw_format* date_ = nullptr;
  lxw_format* date_time_ = nullptr;
};

}  // namespace

std::vector<std::string> WriteWorkbook(const std::string& path,
                                       const std::vector<WorkbookSheet>& sheets) {
  // The library opens its file by a narrow name through the C runtime, which
  // on Windows reaches only names in the ANSI code page: it writes a
  // temporary file, and the workbook takes the place of `path` as one step
  // through the system's own file layer (any name, any length).
  const std::string temporary = CreateTemporaryFileForCLibrary(".xlsx");
  struct RemoveOnExit {
    const std::string& file;
    ~RemoveOnExit() { std::remove(file.c_str()); }
  } remove_temporary{temporary};
  std::vector<std::string> cut;
  {
    Writer writer(temporary, path);
    for (const WorkbookSheet& sheet : sheets) {
      if (writer.AddSheet(sheet)) cut.push_back(sheet.name);
    }
    writer.Close();
  }
  std::ifstream written(temporary, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(written),
                          std::istreambuf_iterator<char>()};
  if (!written.good() && !written.eof()) {
    throw std::runtime_error("cannot write the workbook " + path + ": its temporary file " +
                             temporary + " cannot be read back");
  }
  try {
    ReplaceFileAtomically(path, bytes);
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(std::string("cannot write the workbook: ") + error.what());
  }
  return cut;
}

}  // namespace norvale::fleet
