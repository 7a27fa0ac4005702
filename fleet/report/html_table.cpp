#include "fleet/report/html_table.h"

#include "fleet/report/html_text.h"

namespace norvale::fleet {

void OpenTableSection(std::string& out, std::string_view id, std::string_view heading,
                      std::string_view hint, const std::vector<TableColumn>& columns) {
  out += "<section class=\"table-section\" id=\"";
  AppendHtmlEscaped(out, id);
  out += "\"><h2>";
  AppendHtmlEscaped(out, heading);
  out += "</h2>";
  if (!hint.empty()) {
    out += "<p class=\"hint\">";
    AppendHtmlEscaped(out, hint);
    out += "</p>";
  }
  out += "<div class=\"table-wrap\"><table class=\"data\"><thead><tr>";
  for (const auto& column : columns) {
    out += column.numeric ? "<th data-type=\"num\">" : "<th>";
    AppendHtmlEscaped(out, column.heading);
    out += "</th>";
  }
  out += "</tr></thead><tbody>\n";
}

void CloseTableSection(std::string& out, std::size_t rows, std::string_view no_rows) {
  out += "</tbody></table></div>";
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
  if (css_class.empty()) {
    out += "<td>";
  } else {
    out += "<td class=\"";
    out += css_class;
    out += "\">";
  }
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
