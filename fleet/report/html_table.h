// Tables as real HTML rows, so a page shows every row without its script;
// the script (assets.cpp) only adds sorting, filtering, paging and a
// download of the rows in view.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::fleet {

struct TableColumn {
  std::string heading;
  bool numeric = false;  // sorted as numbers, aligned right
};

// <section class="table-section" id=ID><h2>HEADING</h2>, the hint when there
// is one, then the table's head; rows follow with the Append*Cell functions,
// each row between OpenRow and "</tr>".
void OpenTableSection(std::string& out, std::string_view id, std::string_view heading,
                      std::string_view hint, const std::vector<TableColumn>& columns);
// Closes what OpenTableSection opened; a table without rows says so.
void CloseTableSection(std::string& out, std::size_t rows, std::string_view no_rows);

// On paper a cell shows a short form of a date-time (its date) or of a MAC
// address (its twelve digits): the print style sheet shows data-p instead of
// the text, which stays as stored for sorting, filtering and downloads.
// Empty for any other text.
std::string PaperForm(std::string_view text);

// "<tr" with the given attributes (already escaped HTML) and ">".
void OpenRow(std::string& out, std::string_view attributes = {});
void AppendCell(std::string& out, std::string_view text, std::string_view css_class = {});
void AppendLinkCell(std::string& out, std::string_view text, std::string_view href);

// <a href=HREF>TEXT</a>, or the text alone in a span when there is no href.
void AppendLink(std::string& out, std::string_view text, std::string_view href,
                std::string_view css_class = {});

// A whole table section: a row per item, whose cells `append_cells` writes.
template <typename Items, typename AppendCells>
void AppendTableSection(std::string& out, std::string_view id, std::string_view heading,
                        std::string_view hint, const std::vector<TableColumn>& columns,
                        const Items& items, std::string_view no_rows, AppendCells append_cells) {
  OpenTableSection(out, id, heading, hint, columns);
  std::size_t rows = 0;
  for (const auto& item : items) {
    OpenRow(out);
    append_cells(out, item);
    out += "</tr>\n";
    ++rows;
  }
  CloseTableSection(out, rows, no_rows);
}

}  // namespace norvale::fleet
