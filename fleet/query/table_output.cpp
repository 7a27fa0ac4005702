#include "fleet/query/table_output.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "core/result_line.h"
#include "core/utf.h"

namespace norvale::fleet {
namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6";  // "…"
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

std::string TsvCell(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

std::string TableCell(const std::string& text) { return VisibleText(TsvCell(text)); }

// Narrows the widest column, one step at a time, until a line of `widths`
// (two spaces between columns) fits `max_width`. A date cut short says
// nothing ("2026-…"): dates are narrowed only once the other columns are as
// narrow as they go, and the first column, which names the row (the
// computer), last of all.
void FitWidths(std::vector<std::size_t>& widths, const std::vector<CellType>& types,
               std::size_t max_width) {
  constexpr std::size_t kNarrowest = 6;
  auto total = [&] {
    return std::accumulate(widths.begin(), widths.end(), std::size_t{0}) +
           2 * (widths.empty() ? 0 : widths.size() - 1);
  };
  auto narrowing_order = [&](std::size_t column) {
    if (column == 0) return 2;
    return column < types.size() && types[column] == CellType::kDate ? 1 : 0;
  };
  while (total() > max_width) {
    std::optional<std::size_t> widest;
    for (std::size_t i = 0; i < widths.size(); ++i) {
      if (widths[i] <= kNarrowest) continue;
      if (!widest || narrowing_order(i) < narrowing_order(*widest) ||
          (narrowing_order(i) == narrowing_order(*widest) && widths[i] > widths[*widest])) {
        widest = i;
      }
    }
    if (!widest) break;
    --widths[*widest];
  }
}

}  // namespace

std::string VisibleText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  auto show = [&out](const char* format, unsigned value) {
    char escape[16];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 || b == 0x7F) {
      show("\\x%02x", b);
      ++i;
    } else if (b < 0x80) {
      out += text[i++];
    } else {
      // One UTF-8 character, or the first byte that is not one.
      const std::size_t length = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
      if (i + length > text.size() ||
          FindInvalidUtf8(text.substr(i, length)) != std::string_view::npos) {
        show("\\x%02x", b);
        ++i;
        continue;
      }
      const auto second = static_cast<unsigned char>(text[i + 1]);
      if (b == 0xC2 && second <= 0x9F) {
        show("\\u%04x", second);  // a C1 control, U+0080 to U+009F
      } else {
        out.append(text.substr(i, length));
      }
      i += length;
    }
  }
  return out;
}

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
      out << CommaField(number ? cells[i] : SpreadsheetSafeCell(cells[i]));
    }
    out << "\r\n";
  };
  line(table.header, true);
  for (const auto& row : table.rows) line(row, false);
}

std::string SpreadsheetSafeCell(std::string_view cell) {
  static constexpr std::string_view kFormulaStarts = "=+-@\t\r";
  std::string out;
  if (!cell.empty() && kFormulaStarts.find(cell.front()) != std::string_view::npos) out += '\'';
  out += cell;
  return out;
}

void WriteTable(std::ostream& out, OutputFormat format, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows, CellUse use,
                std::size_t max_width, const std::vector<CellType>& types) {
  if (format != OutputFormat::kTable) {
    const bool csv = format == OutputFormat::kCsv;
    auto line = [&](const std::vector<std::string>& cells) {
      for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) out << (csv ? ',' : '\t');
        const std::string cell =
            use == CellUse::kSpreadsheet ? SpreadsheetSafeCell(cells[i]) : cells[i];
        out << (csv ? CommaField(cell) : TsvCell(cell));
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
      widths[i] = std::max(widths[i], DisplayWidth(TableCell(cells[i])));
    }
  };
  measure(header);
  for (const auto& row : rows) measure(row);
  if (max_width > 0) FitWidths(widths, types, max_width);
  auto line = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (std::size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
      const std::string cell = FitToWidth(TableCell(cells[i]), widths[i]);
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
