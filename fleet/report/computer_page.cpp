#include "fleet/report/computer_page.h"

#include "fleet/report/change_table.h"
#include "fleet/report/html_table.h"
#include "fleet/report/html_text.h"
#include "fleet/report/page_frame.h"

namespace norvale::fleet {
namespace {

void AppendSection(std::string& out, std::size_t number, const std::string& heading,
                   const ResultTable& table, const ReportTexts& t) {
  std::vector<TableColumn> columns;
  for (std::size_t c = 0; c < table.header.size(); ++c) {
    const bool numeric = c < table.types.size() && table.types[c] == CellType::kNumber;
    columns.push_back({table.header[c], numeric});
  }
  AppendTableSection(out, "part-" + std::to_string(number), heading, {}, columns, table.rows,
                     t.no_rows, [&](std::string& cells, const std::vector<std::string>& row) {
                       for (std::size_t c = 0; c < row.size(); ++c) {
                         AppendCell(cells, row[c], columns[c].numeric ? "num" : "");
                       }
                     });
}

void AppendRuns(std::string& out, const ComputerPage& page, const ReportTexts& t) {
  AppendTableSection(out, "runs", t.history, {},
                     {{t.col_run, true}, {t.col_when}, {t.col_rows, true}, {t.col_errors, true}},
                     page.runs, t.no_rows, [](std::string& cells, const ReportRun& run) {
                       AppendCell(cells, std::to_string(run.run_id), "num");
                       AppendCell(cells, run.when);
                       AppendCell(cells, std::to_string(run.rows), "num");
                       AppendCell(cells, std::to_string(run.errors),
                                  run.errors > 0 ? "num warn" : "num");
                     });
}

}  // namespace

std::string RenderComputerPage(const ComputerPage& page, const std::string& generated_at,
                               const std::string& version, ReportLanguage language) {
  const ReportTexts& t = TextsFor(language);
  std::string out;
  out.reserve(32768);
  AppendPageStart(out, t, page.name, version);
  AppendSubpageHeader(out, t, "computer-name", page.name,
                      {{t.col_last_run, "run-at", page.run_at},
                       {t.generated, "generated", generated_at},
                       {nullptr, "version", version}});
  for (std::size_t i = 0; i < page.sections.size(); ++i) {
    AppendSection(out, i + 1, page.sections[i].first, page.sections[i].second, t);
  }
  AppendRuns(out, page, t);
  AppendChangeTable(out, "run-changes", t.run_changes, page.changes, t);
  AppendPageEnd(out, t);
  return out;
}

}  // namespace norvale::fleet
