#include "fleet/query/table_output.h"

#include <algorithm>
#include <numeric>

#include "core/utf.h"
#include "fleet/query/spreadsheet_text.h"

namespace norvale::fleet {
namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6";  // "…"
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string TsvCell(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

std::optional<OutputFormat> ParseOutputFormat(std::string_view name) {
  if (name == "table") return OutputFormat::kTable;
  if (name == "csv") return OutputFormat::kCsv;
  if (name == "tsv") return OutputFormat::kTsv;
  return std::nullopt;
}

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (const char32_t c : Utf8ToCodePoints(utf8)) width += IsWide(c) ? 2 : 1;
  return width;
}

std::string FitToWidth(const std::string& text, std::size_t width) {
  if (DisplayWidth(text) <= width) return text;
  if (width == 0) return {};
  std::u32string kept;
  std::size_t used = 0;
  for (const char32_t c : Utf8ToCodePoints(text)) {
    const std::size_t w = IsWide(c) ? 2 : 1;
    if (used + w > width - 1) break;  // room for the ellipsis
    kept += c;
    used += w;
  }
  return CodePointsToUtf8(kept) + kEllipsis;
}

void WriteSpreadsheetCsv(std::ostream& out, const ResultTable& table) {
  out << kUtf8ByteOrderMark;
  auto line = [&](const std::vector<std::string>& cells, bool header) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) out << ',';
      const bool number = !header && i < table.types.size() && table.types[i] == CellType::kNumber;
      out << CsvCell(number ? cells[i] : FormulaSafeText(cells[i]));
    }
    out << "\r\n";
  };
  line(table.header, true);
  for (const auto& row : table.rows) line(row, false);
}

void WriteTable(std::ostream& out, OutputFormat format, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows, std::size_t max_width) {
  if (format != OutputFormat::kTable) {
    const bool csv = format == OutputFormat::kCsv;
    auto line = [&](const std::vector<std::string>& cells) {
      for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) out << (csv ? ',' : '\t');
        out << (csv ? CsvCell(cells[i]) : TsvCell(cells[i]));
      }
      out << '\n';
    };
    line(header);
    for (const auto& row : rows) line(row);
    return;
  }
  std::vector<std::size_t> widths(header.size());
  auto measure = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(TsvCell(cells[i])));
    }
  };
  measure(header);
  for (const auto& row : rows) measure(row);
  // Narrow the widest column, one step at a time, until a line fits.
  constexpr std::size_t kNarrowest = 6;
  auto total = [&] {
    return std::accumulate(widths.begin(), widths.end(), std::size_t{0}) +
           2 * (widths.empty() ? 0 : widths.size() - 1);
  };
  // The first column names the row (the computer): it is narrowed last.
  while (max_width > 0 && total() > max_width) {
    auto widest =
        widths.size() > 1 ? std::max_element(widths.begin() + 1, widths.end()) : widths.begin();
    if (widest == widths.end() || *widest <= kNarrowest) widest = widths.begin();
    if (widest == widths.end() || *widest <= kNarrowest) break;
    --*widest;
  }
  auto line = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (std::size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
      const std::string cell = FitToWidth(TsvCell(cells[i]), widths[i]);
      text += cell;
      if (i + 1 < cells.size()) text += std::string(widths[i] - DisplayWidth(cell) + 2, ' ');
    }
    out << text << '\n';
  };
  line(header);
  std::vector<std::string> rule;
  for (const std::size_t w : widths) rule.push_back(std::string(w, '-'));
  line(rule);
  for (const auto& row : rows) line(row);
}

}  // namespace norvale::fleet
