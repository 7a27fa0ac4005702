#include "fleet/query/table_output.h"

#include "core/utf.h"

namespace norvale::fleet {
namespace {

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

void WriteTable(std::ostream& out, OutputFormat format, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows) {
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
  auto line = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (std::size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
      const std::string cell = TsvCell(cells[i]);
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
