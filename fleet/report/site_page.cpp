#include "fleet/report/site_page.h"

#include "fleet/report/assets.h"
#include "fleet/report/bar_chart.h"
#include "fleet/report/html_text.h"
#include "fleet/report/page_data.h"

namespace norvale::fleet {
namespace {

struct Column {
  const char* heading;
  const char* type;  // "text" or "num": how the script sorts it
};

void AppendTableSection(std::string& out, const char* id, const char* heading, const char* hint,
                        const std::vector<Column>& columns, const ReportTexts& t) {
  out += "<section class=\"table-section\" id=\"";
  out += id;
  out += "\"><h2>";
  AppendHtmlEscaped(out, heading);
  out += "</h2>";
  if (hint) {
    out += "<p class=\"hint\">";
    AppendHtmlEscaped(out, hint);
    out += "</p>";
  }
  out += "<input type=\"search\" class=\"filter\" placeholder=\"";
  AppendHtmlEscaped(out, t.filter_placeholder);
  out += "\" aria-label=\"";
  AppendHtmlEscaped(out, t.filter_placeholder);
  out += "\"><div class=\"table-wrap\"><table class=\"data\"><thead><tr>";
  for (const auto& column : columns) {
    out += "<th data-type=\"";
    out += column.type;
    out += "\" tabindex=\"0\">";
    AppendHtmlEscaped(out, column.heading);
    out += "</th>";
  }
  out += "</tr></thead><tbody></tbody></table></div><div class=\"pager\"></div></section>\n";
}

void AppendTotal(std::string& out, const char* id, const char* label, const std::string& value) {
  out += "<div><dt>";
  AppendHtmlEscaped(out, label);
  out += "</dt><dd id=\"";
  out += id;
  out += "\">";
  AppendHtmlEscaped(out, value.empty() ? "\u2013" : value);
  out += "</dd></div>";
}

// One chart in its own figure; `after` (HTML) closes the figure below the chart.
void AppendChart(std::string& out, const char* id, const char* title,
                 const std::vector<ChartBar>& bars, const ReportTexts& t,
                 const std::string& after = {}) {
  out += "<figure class=\"chart\" id=\"";
  out += id;
  out += "\"><figcaption>";
  AppendHtmlEscaped(out, title);
  out += "</figcaption>";
  if (bars.empty()) {
    out += "<p class=\"empty\">";
    AppendHtmlEscaped(out, t.no_data);
    out += "</p>";
  } else {
    out += BarChartSvg(bars, t);
  }
  out += after;
  out += "</figure>";
}

void AppendHead(std::string& out, const ReportData& data, const ReportTexts& t) {
  out += "<!DOCTYPE html>\n<html lang=\"";
  out += t.lang;
  out +=
      "\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
      "<meta name=\"generator\" content=\"";
  AppendHtmlEscaped(out, data.version);
  out += "\"><title>";
  AppendHtmlEscaped(out, t.title);
  out += "</title><style>";
  out += kReportStyle;
  out += "</style></head>\n";
}

void AppendHeader(std::string& out, const ReportData& data, const ReportTexts& t) {
  out += "<header><h1>";
  AppendHtmlEscaped(out, t.title);
  out += "</h1><p class=\"meta\">";
  AppendHtmlEscaped(out, t.generated);
  out += " <span id=\"generated\">";
  AppendHtmlEscaped(out, data.generated_at);
  out += "</span> \u00b7 <span id=\"version\">";
  AppendHtmlEscaped(out, data.version);
  out += "</span></p><dl class=\"totals\">";
  AppendTotal(out, "total-computers", t.computers_total, std::to_string(data.computers.size()));
  AppendTotal(out, "total-runs", t.runs_loaded, std::to_string(data.totals.runs_loaded));
  AppendTotal(out, "newest-run", t.newest_run, data.totals.newest_run);
  AppendTotal(out, "oldest-run", t.oldest_run, data.totals.oldest_run);
  AppendTotal(out, "not-seen", t.not_seen,
              std::to_string(ComputersNotSeenFor(data.computers, data.generated_at, 30)));
  out += "</dl></header>\n";
}

std::string LowDiskList(const ReportData& data, const ReportTexts& t) {
  const auto low = LowDiskComputers(data.computers);
  std::string out = "<p class=\"low-disk\">";
  if (low.empty()) {
    AppendHtmlEscaped(out, t.no_low_disk);
  } else {
    AppendHtmlEscaped(out, t.low_disk);
    for (std::size_t i = 0; i < low.size(); ++i) {
      out += i ? ", " : " ";
      out += "<span class=\"pc\">";
      AppendHtmlEscaped(out, low[i]);
      out += "</span>";
    }
  }
  out += "</p>";
  return out;
}

void AppendOverview(std::string& out, const ReportData& data, const ReportTexts& t) {
  out += "<section id=\"overview\"><h2>";
  AppendHtmlEscaped(out, t.overview);
  out += "</h2><div class=\"charts\">";
  AppendChart(out, "chart-windows", t.chart_windows, WindowsVersionBars(data.computers), t);
  AppendChart(out, "chart-memory", t.chart_memory, MemoryBands(data.computers), t);
  AppendChart(out, "chart-disk", t.chart_disk, DiskFreeBands(data.computers), t,
              LowDiskList(data, t));
  AppendChart(out, "chart-cpu", t.chart_cpu, CpuModelBars(data.computers), t);
  AppendChart(out, "chart-apps", t.chart_apps, TopApplications(data.applications), t);
  out += "</div></section>\n";
}

void AppendTables(std::string& out, const ReportTexts& t) {
  AppendTableSection(out, "computers", t.computers, nullptr,
                     {{t.col_computer, "text"},
                      {t.col_last_run, "text"},
                      {t.col_windows, "text"},
                      {t.col_cpu, "text"},
                      {t.col_processors, "num"},
                      {t.col_memory, "num"},
                      {t.col_disk_total, "num"},
                      {t.col_disk_free, "num"},
                      {t.col_free_pct, "num"},
                      {t.col_ip, "text"},
                      {t.col_mac, "text"},
                      {t.col_domain, "text"},
                      {t.col_user, "text"},
                      {t.col_errors, "num"}},
                     t);
  AppendTableSection(out, "applications", t.applications, t.applications_hint,
                     {{t.col_application, "text"},
                      {t.col_publisher, "text"},
                      {t.col_versions, "text"},
                      {t.col_count, "num"}},
                     t);
  AppendTableSection(out, "changes", t.changes, nullptr,
                     {{t.col_computer, "text"},
                      {t.col_when, "text"},
                      {t.col_kind, "text"},
                      {t.col_category, "text"},
                      {t.col_item, "text"},
                      {t.col_subitem, "text"},
                      {t.col_old, "text"},
                      {t.col_new, "text"}},
                     t);
  AppendTableSection(out, "errors", t.errors, nullptr,
                     {{t.col_computer, "text"},
                      {t.col_when, "text"},
                      {t.col_category, "text"},
                      {t.col_module, "text"},
                      {t.col_number, "text"},
                      {t.col_text, "text"}},
                     t);
}

}  // namespace

std::string RenderReportHtml(const ReportData& data, ReportLanguage language) {
  const ReportTexts& t = TextsFor(language);
  std::string out;
  out.reserve(4096 + data.computers.size() * 320 + data.applications.size() * 120 +
              data.changes.size() * 160);
  AppendHead(out, data, t);
  out += "<body>\n";
  AppendHeader(out, data, t);
  AppendOverview(out, data, t);
  AppendTables(out, t);
  out += "<script type=\"application/json\" id=\"report-data\">";
  AppendPageData(out, data, t);
  out += "</script>\n<script>";
  out += kReportScript;
  out += "</script>\n</body></html>\n";
  return out;
}

}  // namespace norvale::fleet
