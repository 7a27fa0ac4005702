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

// The rows a table shows at first with the script on: its first page.
inline constexpr std::size_t kFirstViewRows = 100;
// Tables longer than this are built a first page at a time (OpenWholeTable):
// a few hundred rows cost less to build than to carry twice.
inline constexpr std::size_t kBuiltWholeUpTo = 250;

// <section class="table-section" id=ID [data-rows=N]><h2>HEADING</h2>, the
// hint when there is one, then the table's head; rows follow with the
// Append*Cell functions, each row between OpenRow and "</tr>".
void OpenTableSection(std::string& out, std::string_view id, std::string_view heading,
                      std::string_view hint, const std::vector<TableColumn>& columns,
                      std::size_t rows = 0);
// Closes what OpenTableSection opened; a table without rows says so.
void CloseTableSection(std::string& out, std::size_t rows, std::string_view no_rows);
// For a long table: ends the first page's rows and opens, inside
// <noscript>, the whole table. A browser running the script reads that as
// one piece of text instead of building every row before the page is
// ready; the script makes the rows when they are sorted, filtered, paged,
// downloaded or printed. Without the script they are the table shown.
void OpenWholeTable(std::string& out, const std::vector<TableColumn>& columns);
void CloseWholeTable(std::string& out);

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

// A whole table section: a row per item, whose cells `append_cells` writes
// after `row_start` has opened the row (OpenRow by default).
template <typename Items, typename AppendCells, typename RowStart>
void AppendTableSection(std::string& out, std::string_view id, std::string_view heading,
                        std::string_view hint, const std::vector<TableColumn>& columns,
                        const Items& items, std::string_view no_rows, AppendCells append_cells,
                        RowStart row_start) {
  const std::size_t count = std::size(items);
  auto append_rows = [&](std::size_t limit) {
    std::size_t n = 0;
    for (const auto& item : items) {
      if (n++ == limit) break;
      row_start(out, item);
      append_cells(out, item);
      out += "</tr>\n";
    }
  };
  OpenTableSection(out, id, heading, hint, columns, count);
  if (count > kBuiltWholeUpTo) {
    append_rows(kFirstViewRows);
    OpenWholeTable(out, columns);
    append_rows(count);
    CloseWholeTable(out);
  } else {
    append_rows(count);
  }
  CloseTableSection(out, count, no_rows);
}

template <typename Items, typename AppendCells>
void AppendTableSection(std::string& out, std::string_view id, std::string_view heading,
                        std::string_view hint, const std::vector<TableColumn>& columns,
                        const Items& items, std::string_view no_rows, AppendCells append_cells) {
  AppendTableSection(out, id, heading, hint, columns, items, no_rows, append_cells,
                     [](std::string& row, const auto&) { OpenRow(row); });
}

}  // namespace norvale::fleet
