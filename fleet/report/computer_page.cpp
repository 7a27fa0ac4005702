#include "fleet/report/computer_page.h"

#include "fleet/report/html_table.h"
#include "fleet/report/html_text.h"
#include "fleet/report/page_frame.h"

namespace norvale::fleet {
namespace {

void AppendHeader(std::string& out, const ComputerPage& page, const std::string& generated_at,
                  const std::string& version, const ReportTexts& t) {
  out += "<header><p class=\"crumbs\"><a id=\"site-link\" href=\"../index.html\">";
  AppendHtmlEscaped(out, t.back_to_site);
  out += "</a></p><h1 id=\"computer-name\">";
  AppendHtmlEscaped(out, page.name);
  out += "</h1><p class=\"meta\">";
  AppendHtmlEscaped(out, t.col_last_run);
  out += " <span id=\"run-at\">";
  AppendHtmlEscaped(out, page.run_at);
  out += "</span> \u00b7 ";
  AppendHtmlEscaped(out, t.generated);
  out += " <span id=\"generated\">";
  AppendHtmlEscaped(out, generated_at);
  out += "</span> \u00b7 <span id=\"version\">";
  AppendHtmlEscaped(out, version);
  out += "</span></p></header>\n";
}

void AppendSection(std::string& out, std::size_t number, const std::string& heading,
                   const ResultTable& table, const ReportTexts& t) {
  std::vector<TableColumn> columns;
  for (std::size_t c = 0; c < table.header.size(); ++c) {
    const bool numeric = c < table.types.size() && table.types[c] == CellType::kNumber;
    columns.push_back({table.header[c], numeric});
  }
  OpenTableSection(out, "part-" + std::to_string(number), heading, {}, columns);
  for (const auto& row : table.rows) {
    OpenRow(out);
    for (std::size_t c = 0; c < row.size(); ++c) {
      AppendCell(out, row[c], columns[c].numeric ? "num" : "");
    }
    out += "</tr>\n";
  }
  CloseTableSection(out, table.rows.size(), t.no_rows);
}

void AppendRuns(std::string& out, const ComputerPage& page, const ReportTexts& t) {
  OpenTableSection(out, "runs", t.history, {},
                   {{t.col_run, true}, {t.col_when}, {t.col_rows, true}, {t.col_errors, true}});
  for (const ReportRun& run : page.runs) {
    OpenRow(out);
    AppendCell(out, std::to_string(run.run_id), "num");
    AppendCell(out, run.when);
    AppendCell(out, std::to_string(run.rows), "num");
    AppendCell(out, std::to_string(run.errors), run.errors > 0 ? "num warn" : "num");
    out += "</tr>\n";
  }
  CloseTableSection(out, page.runs.size(), t.no_rows);
}

void AppendRunChanges(std::string& out, const ComputerPage& page, const ReportTexts& t) {
  OpenTableSection(out, "run-changes", t.run_changes, {},
                   {{t.col_when},
                    {t.col_kind},
                    {t.col_category},
                    {t.col_item},
                    {t.col_subitem},
                    {t.col_old},
                    {t.col_new}});
  for (const ReportChange& c : page.changes) {
    OpenRow(out);
    AppendCell(out, c.when);
    AppendCell(out, ChangeKindWord(c.kind, t));
    AppendCell(out, c.category);
    AppendCell(out, c.item);
    AppendCell(out, c.subitem);
    AppendCell(out, c.old_value);
    AppendCell(out, c.new_value);
    out += "</tr>\n";
  }
  CloseTableSection(out, page.changes.size(), t.no_rows);
}

}  // namespace

std::string RenderComputerPage(const ComputerPage& page, const std::string& generated_at,
                               const std::string& version, ReportLanguage language) {
  const ReportTexts& t = TextsFor(language);
  std::string out;
  out.reserve(32768);
  AppendPageStart(out, t, page.name, version);
  AppendHeader(out, page, generated_at, version, t);
  for (std::size_t i = 0; i < page.sections.size(); ++i) {
    AppendSection(out, i + 1, page.sections[i].first, page.sections[i].second, t);
  }
  AppendRuns(out, page, t);
  AppendRunChanges(out, page, t);
  AppendPageEnd(out, t);
  return out;
}

}  // namespace norvale::fleet
