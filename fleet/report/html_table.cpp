#include "fleet/report/html_table.h"

#include "fleet/report/html_text.h"

namespace norvale::fleet {
namespace {

bool IsDigits(std::string_view text) {
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

std::string PaperForm(std::string_view text) {
  // "2026-12-07 08:00:00": the date.
  if (text.size() == 19 && text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':' &&
      text[16] == ':' && IsDigits(text.substr(0, 4)) && IsDigits(text.substr(5, 2)) &&
      IsDigits(text.substr(8, 2)) && IsDigits(text.substr(11, 2)) && IsDigits(text.substr(14, 2)) &&
      IsDigits(text.substr(17, 2))) {
    return std::string(text.substr(0, 10));
  }
  // "D7:FB:E1:7A:01:29" or "D7-FB-...": the twelve digits.
  if (text.size() == 17) {
    std::string digits;
    for (std::size_t i = 0; i < 17; ++i) {
      const bool separator = i % 3 == 2;
      if (separator ? text[i] != text[2] || (text[i] != ':' && text[i] != '-')
                    : !IsHexDigit(text[i])) {
        return {};
      }
      if (!separator) digits += text[i];
    }
    return digits;
  }
  return {};
}

namespace {

void AppendTableHead(std::string& out, const std::vector<TableColumn>& columns) {
  out += "<table class=\"data\"><thead><tr>";
  for (const auto& column : columns) {
    out += column.numeric ? "<th data-type=\"num\">" : "<th>";
    AppendHtmlEscaped(out, column.heading);
    out += "</th>";
  }
  out += "</tr></thead><tbody>\n";
}

}  // namespace

void OpenTableSection(std::string& out, std::string_view id, std::string_view heading,
                      std::string_view hint, const std::vector<TableColumn>& columns,
                      std::size_t rows) {
  out += "<section class=\"table-section\" id=\"";
  AppendHtmlEscaped(out, id);
  out += '"';
  if (rows > kBuiltWholeUpTo) {
    out += " data-rows=\"";
    out += std::to_string(rows);
    out += '"';
  }
  out += "><h2>";
  AppendHtmlEscaped(out, heading);
  out += "</h2>";
  if (!hint.empty()) {
    out += "<p class=\"hint\">";
    AppendHtmlEscaped(out, hint);
    out += "</p>";
  }
  out += rows > kBuiltWholeUpTo ? "<div class=\"table-wrap first\">" : "<div class=\"table-wrap\">";
  AppendTableHead(out, columns);
}

void OpenWholeTable(std::string& out, const std::vector<TableColumn>& columns) {
  out += "</tbody></table></div><noscript><div class=\"table-wrap\">";
  AppendTableHead(out, columns);
}

void CloseWholeTable(std::string& out) { out += "</tbody></table></div></noscript>"; }

void CloseTableSection(std::string& out, std::size_t rows, std::string_view no_rows) {
  if (rows <= kBuiltWholeUpTo) out += "</tbody></table></div>";
  if (rows == 0) {
    out += "<p class=\"none\">";
    AppendHtmlEscaped(out, no_rows);
    out += "</p>";
  }
  out += "</section>\n";
}

void OpenRow(std::string& out, std::string_view attributes) {
  out += "<tr";
  if (!attributes.empty()) {
    out += ' ';
    out += attributes;
  }
  out += '>';
}

void AppendCell(std::string& out, std::string_view text, std::string_view css_class) {
  out += "<td";
  if (!css_class.empty()) {
    out += " class=\"";
    out += css_class;
    out += '"';
  }
  if (const std::string paper = PaperForm(text); !paper.empty()) {
    out += " data-p=\"";
    out += paper;  // digits, '-' and letters only: nothing to escape
    out += '"';
  }
  out += '>';
  // No </td>: the next cell or the row's end closes it, and a large site
  // page is a tenth smaller without.
  AppendHtmlEscaped(out, text);
}

void AppendLink(std::string& out, std::string_view text, std::string_view href,
                std::string_view css_class) {
  out += href.empty() ? "<span" : "<a href=\"";
  if (!href.empty()) {
    AppendHtmlEscaped(out, href);
    out += '"';
  }
  if (!css_class.empty()) {
    out += " class=\"";
    out += css_class;
    out += '"';
  }
  out += '>';
  AppendHtmlEscaped(out, text);
  out += href.empty() ? "</span>" : "</a>";
}

void AppendLinkCell(std::string& out, std::string_view text, std::string_view href) {
  out += "<td>";
  AppendLink(out, text, href);
}

}  // namespace norvale::fleet
