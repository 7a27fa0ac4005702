#include "fleet/report/site_page.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include "fleet/report/bar_chart.h"
#include "fleet/report/change_table.h"
#include "fleet/report/html_table.h"
#include "fleet/report/html_text.h"
#include "fleet/report/page_data.h"
#include "fleet/report/page_frame.h"

namespace norvale::fleet {
namespace {

constexpr int kUnseenDays = 30;

std::string NumberText(std::optional<double> value) {
  if (!value || !std::isfinite(*value)) return {};
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, *value);
  return std::string(buffer, result.ptr);
}

void AppendTotal(std::string& out, const char* id, const char* label, const std::string& value,
                 const char* href = nullptr) {
  out += "<div><dt>";
  AppendHtmlEscaped(out, label);
  out += "</dt><dd id=\"";
  out += id;
  out += "\">";
  if (href) out += std::string("<a href=\"") + href + "\">";
  AppendHtmlEscaped(out, value.empty() ? "\u2013" : value);
  if (href) out += "</a>";
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
              std::to_string(ComputersNotSeenFor(data.computers, data.generated_at, kUnseenDays)),
              "#unseen");
  AppendTotal(out, "clock-ahead", t.clock_ahead,
              std::to_string(ClockAheadComputers(data.computers).size()), "#ahead");
  out += "</dl></header>\n";
}

// "Under 10 % free: PC-1, PC-2": the computers a chart counts, each linked
// to its page.
std::string ComputerList(const ReportData& data, const std::vector<std::uint32_t>& computers,
                         const char* css_class, const char* label, const char* none) {
  std::string out = std::string("<p class=\"") + css_class + "\">";
  AppendHtmlEscaped(out, computers.empty() ? none : label);
  for (std::size_t i = 0; i < computers.size(); ++i) {
    out += i ? ", " : " ";
    const ReportComputer& c = data.computers[computers[i]];
    AppendLink(out, c.name, c.page, "pc");
  }
  out += "</p>";
  return out;
}

std::vector<std::uint32_t> LowDiskIndexes(const ReportData& data) {
  std::unordered_map<std::string, std::uint32_t> index;
  for (std::uint32_t i = 0; i < data.computers.size(); ++i) index[data.computers[i].name] = i;
  std::vector<std::uint32_t> out;
  for (const std::string& name : LowDiskComputers(data.computers)) out.push_back(index[name]);
  return out;
}

void AppendOverview(std::string& out, const ReportData& data, const ReportTexts& t) {
  out += "<section id=\"overview\"><h2>";
  AppendHtmlEscaped(out, t.overview);
  out += "</h2><div class=\"charts\">";
  AppendChart(out, "chart-windows", t.chart_windows, WindowsVersionBars(data.computers), t);
  AppendChart(out, "chart-memory", t.chart_memory, MemoryBands(data.computers), t,
              ComputerList(data, LowMemoryComputers(data.computers), "low-memory", t.low_memory,
                           t.no_low_memory));
  AppendChart(out, "chart-disk", t.chart_disk, DiskFreeBands(data.computers), t,
              ComputerList(data, LowDiskIndexes(data), "low-disk", t.low_disk, t.no_low_disk));
  AppendChart(out, "chart-cpu", t.chart_cpu, CpuModelBars(data.computers), t);
  AppendChart(out, "chart-apps", t.chart_apps, TopApplications(data.applications), t);
  out += "</div></section>\n";
}

void AppendUnseen(std::string& out, const ReportData& data, const ReportTexts& t) {
  const auto unseen = ComputersNotSeen(data.computers, data.generated_at, kUnseenDays);
  AppendTableSection(out, "unseen", t.not_seen, {},
                     {{t.col_computer},
                      {t.col_last_run},
                      {t.col_days, true},
                      {t.col_windows},
                      {t.col_user},
                      {t.col_ip}},
                     unseen, t.no_rows, [&](std::string& row, std::uint32_t i) {
                       const ReportComputer& c = data.computers[i];
                       const auto days = DaysBetween(c.last_run, data.generated_at);
                       AppendLinkCell(row, c.name, c.page);
                       AppendCell(row, c.last_run);
                       AppendCell(row, days ? std::to_string(*days) : std::string(), "num");
                       AppendCell(row, c.windows);
                       AppendCell(row, c.user);
                       AppendCell(row, c.ip);
                     });
}

// The runs dated ahead of the clock, as their files wrote them, and when
// they came in: the time a PC's clock claimed is what to look into.
void AppendClockAhead(std::string& out, const ReportData& data, const ReportTexts& t) {
  AppendTableSection(
      out, "ahead", t.clock_ahead, {}, {{t.col_computer}, {t.col_run_written}, {t.col_loaded}},
      ClockAheadComputers(data.computers), t.no_rows, [&](std::string& row, std::uint32_t i) {
        const ReportComputer& c = data.computers[i];
        AppendLinkCell(row, c.name, c.page);
        AppendCell(row, c.clock_ahead);
        AppendCell(row, c.clock_ahead_loaded_at);
      });
}

void AppendComputerCells(std::string& out, const ReportComputer& c) {
  const auto pct = DiskFreePercent(c);
  AppendLinkCell(out, c.name, c.page);
  AppendCell(out, c.last_run);
  AppendCell(out, c.windows);
  AppendCell(out, c.cpu);
  AppendCell(out, c.processors, "num");
  AppendCell(out, NumberText(c.memory_mb), "num");
  AppendCell(out, NumberText(c.disk_total_gb), "num");
  AppendCell(out, NumberText(c.disk_free_gb), "num");
  AppendCell(out, pct ? NumberText(std::round(*pct * 10) / 10) : std::string(),
             pct && *pct < 10 ? "num warn" : "num");
  AppendCell(out, c.ip);
  AppendCell(out, c.mac);
  AppendCell(out, c.domain);
  AppendCell(out, c.user);
  AppendCell(out, std::to_string(c.error_rows), c.error_rows > 0 ? "num warn" : "num");
}

void AppendComputers(std::string& out, const ReportData& data, const ReportTexts& t) {
  AppendTableSection(out, "computers", t.computers, {},
                     {{t.col_computer},
                      {t.col_last_run},
                      {t.col_windows},
                      {t.col_cpu},
                      {t.col_processors, true},
                      {t.col_memory, true},
                      {t.col_disk_total, true},
                      {t.col_disk_free, true},
                      {t.col_free_pct, true},
                      {t.col_ip},
                      {t.col_mac},
                      {t.col_domain},
                      {t.col_user},
                      {t.col_errors, true}},
                     data.computers, t.no_rows, AppendComputerCells);
}

// The most common applications first, as the chart shows them.
void AppendApplications(std::string& out, const ReportData& data, const ReportTexts& t) {
  std::vector<std::uint32_t> order(data.applications.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return data.applications[a].computers.size() > data.applications[b].computers.size();
  });
  // With pages, an application's name leads to its computers; without, its
  // row opens them from the page's data.
  const bool pages = !data.applications.empty() && !data.applications[0].page.empty();
  AppendTableSection(
      out, "applications", t.applications, pages ? t.applications_pages_hint : t.applications_hint,
      {{t.col_application}, {t.col_publisher}, {t.col_versions}, {t.col_count, true}}, order,
      t.no_rows,
      [&](std::string& row, std::uint32_t i) {
        const ReportApplication& a = data.applications[i];
        std::string versions;
        for (const std::string& v : a.versions) versions += (versions.empty() ? "" : ", ") + v;
        if (pages) {
          AppendLinkCell(row, a.name, a.page);
        } else {
          AppendCell(row, a.name);
        }
        AppendCell(row, a.publisher);
        AppendCell(row, versions);
        AppendCell(row, std::to_string(a.computers.size()), "num");
      },
      [&](std::string& row, std::uint32_t i) {
        OpenRow(row, pages ? "" : "class=\"app\" data-app=\"" + std::to_string(i) + "\"");
      });
}

void AppendErrors(std::string& out, const ReportData& data, const ReportTexts& t,
                  const ComputerPageOf& page_of) {
  AppendTableSection(out, "errors", t.errors, {},
                     {{t.col_computer},
                      {t.col_when},
                      {t.col_category},
                      {t.col_module},
                      {t.col_number},
                      {t.col_text}},
                     data.errors, t.no_rows, [&](std::string& row, const ReportError& e) {
                       AppendLinkCell(row, e.computer, page_of(e.computer));
                       AppendCell(row, e.when);
                       AppendCell(row, e.category);
                       AppendCell(row, e.module);
                       AppendCell(row, e.number);
                       AppendCell(row, e.text);
                     });
}

void AppendTables(std::string& out, const ReportData& data, const ReportTexts& t) {
  std::unordered_map<std::string_view, std::string_view> pages;
  for (const ReportComputer& c : data.computers) pages.emplace(c.name, c.page);
  const ComputerPageOf page_of = [&](const std::string& name) {
    const auto found = pages.find(name);
    return found == pages.end() ? std::string_view() : found->second;
  };
  AppendUnseen(out, data, t);
  AppendClockAhead(out, data, t);
  AppendComputers(out, data, t);
  AppendApplications(out, data, t);
  AppendChangeTable(out, "changes", t.changes, data.changes, t, page_of);
  AppendErrors(out, data, t, page_of);
}

}  // namespace

std::string RenderReportHtml(const ReportData& data, ReportLanguage language) {
  const ReportTexts& t = TextsFor(language);
  std::string out;
  out.reserve(8192 + data.computers.size() * 700 + data.applications.size() * 200 +
              data.changes.size() * 250);
  AppendPageStart(out, t, t.title, data.version);
  AppendHeader(out, data, t);
  AppendOverview(out, data, t);
  AppendTables(out, data, t);
  out += "<script type=\"application/json\" id=\"report-data\">";
  AppendPageData(out, data);
  out += "</script>\n";
  AppendPageEnd(out, t);
  return out;
}

}  // namespace norvale::fleet
