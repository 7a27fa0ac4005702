#include "fleet/report/change_table.h"

#include "fleet/report/html_table.h"

namespace norvale::fleet {

void AppendChangeTable(std::string& out, std::string_view id, std::string_view heading,
                       const std::vector<ReportChange>& changes, const ReportTexts& t,
                       const ComputerPageOf& page_of) {
  std::vector<TableColumn> columns = {{t.col_when},    {t.col_kind}, {t.col_category}, {t.col_item},
                                      {t.col_subitem}, {t.col_old},  {t.col_new}};
  if (page_of) columns.insert(columns.begin(), {t.col_computer});
  AppendTableSection(out, id, heading, {}, columns, changes, t.no_rows,
                     [&](std::string& row, const ReportChange& c) {
                       if (page_of) AppendLinkCell(row, c.computer, page_of(c.computer));
                       AppendCell(row, c.when);
                       AppendCell(row, ChangeKindWord(c.kind, t));
                       AppendCell(row, c.category);
                       AppendCell(row, c.item);
                       AppendCell(row, c.subitem);
                       AppendCell(row, c.old_value);
                       AppendCell(row, c.new_value);
                     });
}

}  // namespace norvale::fleet
