#include "fleet/report/html.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/utf.h"

namespace norvale::fleet {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::string BarLabel(const std::string& label, const ReportTexts& texts) {
  if (label == kUnknownLabel) return texts.unknown;
  if (label == kOtherLabel) return texts.other;
  return label;
}

void AppendNumber(std::string& out, std::optional<double> value) {
  if (!value || !std::isfinite(*value)) {
    out += "null";
    return;
  }
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, *value);
  out.append(buffer, result.ptr);
}

void AppendInt(std::string& out, std::int64_t value) { out += std::to_string(value); }

// Row arrays keep the embedded data small: a 10,000-computer site would
// repeat every key name 10,000 times as objects.
template <typename... Texts>
void AppendTextRow(std::string& out, const Texts&... texts) {
  out += '[';
  bool first = true;
  ((out += first ? "" : ",", first = false, AppendJsonString(out, texts)), ...);
  out += ']';
}

void AppendData(std::string& out, const ReportData& data, const ReportTexts& t) {
  out += "{\"texts\":{";
  const std::pair<const char*, const char*> words[] = {
      {"previous", t.previous},    {"next", t.next},
      {"rows", t.rows_range},      {"none", t.no_rows},
      {"with", t.computers_with},  {"added", t.kind_added},
      {"removed", t.kind_removed}, {"changed", t.kind_changed},
  };
  bool first = true;
  for (const auto& [key, word] : words) {
    if (!first) out += ',';
    first = false;
    AppendJsonString(out, key);
    out += ':';
    AppendJsonString(out, word);
  }
  out += "},\"computers\":[";
  for (std::size_t i = 0; i < data.computers.size(); ++i) {
    const auto& c = data.computers[i];
    if (i) out += ',';
    out += '[';
    AppendJsonString(out, c.name), out += ',';
    AppendJsonString(out, c.last_run), out += ',';
    AppendJsonString(out, c.windows), out += ',';
    AppendJsonString(out, c.cpu), out += ',';
    AppendJsonString(out, c.processors), out += ',';
    AppendNumber(out, c.memory_mb), out += ',';
    AppendNumber(out, c.disk_total_gb), out += ',';
    AppendNumber(out, c.disk_free_gb), out += ',';
    auto pct = DiskFreePercent(c);
    AppendNumber(out, pct ? std::optional<double>(std::round(*pct * 10) / 10) : std::nullopt);
    out += ',';
    AppendJsonString(out, c.ip), out += ',';
    AppendJsonString(out, c.mac), out += ',';
    AppendJsonString(out, c.domain), out += ',';
    AppendJsonString(out, c.user), out += ',';
    AppendInt(out, c.error_rows);
    out += ']';
  }
  out += "],\"applications\":[";
  for (std::size_t i = 0; i < data.applications.size(); ++i) {
    const auto& a = data.applications[i];
    if (i) out += ',';
    out += '[';
    AppendJsonString(out, a.name), out += ',';
    AppendJsonString(out, a.publisher), out += ",[";
    for (std::size_t v = 0; v < a.versions.size(); ++v) {
      if (v) out += ',';
      AppendJsonString(out, a.versions[v]);
    }
    out += "],[";
    for (std::size_t k = 0; k < a.computers.size(); ++k) {
      if (k) out += ',';
      AppendInt(out, a.computers[k]);
    }
    out += "]]";
  }
  out += "],\"changes\":[";
  for (std::size_t i = 0; i < data.changes.size(); ++i) {
    const auto& c = data.changes[i];
    if (i) out += ',';
    AppendTextRow(out, c.computer, c.when, c.kind, c.category, c.item, c.subitem, c.old_value,
                  c.new_value);
  }
  out += "],\"errors\":[";
  for (std::size_t i = 0; i < data.errors.size(); ++i) {
    const auto& e = data.errors[i];
    if (i) out += ',';
    AppendTextRow(out, e.computer, e.when, e.category, e.module, e.number, e.text);
  }
  out += "]}";
}

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

void AppendChart(std::string& out, const char* id, const char* title,
                 const std::vector<ChartBar>& bars, const ReportTexts& t) {
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
}

}  // namespace

void AppendHtmlEscaped(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    switch (c) {
      case '&':
        out += "&amp;";
        ++i;
        continue;
      case '<':
        out += "&lt;";
        ++i;
        continue;
      case '>':
        out += "&gt;";
        ++i;
        continue;
      case '"':
        out += "&quot;";
        ++i;
        continue;
      case '\'':
        out += "&#39;";
        ++i;
        continue;
      default:
        break;
    }
    char32_t cp = 0;
    const std::size_t n = DecodeOneUtf8(text, i, cp);
    if (n == 0) {
      out += kReplacement;
      ++i;
    } else if (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') {
      out += ' ';
      ++i;
    } else {
      out.append(text.data() + i, n);
      i += n;
    }
  }
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  AppendHtmlEscaped(out, text);
  return out;
}

void AppendJsonString(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const std::size_t n = DecodeOneUtf8(text, i, cp);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (cp == '"' || cp == '\\') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (cp < 0x20 || cp == '<' || cp == '>' || cp == '&' || cp == 0x2028 || cp == 0x2029) {
      out += "\\u";
      out += kHex[(cp >> 12) & 0xF];
      out += kHex[(cp >> 8) & 0xF];
      out += kHex[(cp >> 4) & 0xF];
      out += kHex[cp & 0xF];
    } else {
      out.append(text.data() + i, n);
    }
    i += n;
  }
  out += '"';
}

std::string ShortenLabel(std::string_view text, int width) {
  int used = 0;
  std::size_t i = 0, cut = std::string_view::npos;
  while (i < text.size()) {
    char32_t cp = 0;
    std::size_t n = DecodeOneUtf8(text, i, cp);
    if (n == 0) n = 1;
    const int w = IsWide(cp) ? 2 : 1;
    if (used + w > width - 1 && cut == std::string_view::npos) cut = i;
    if (used + w > width) return std::string(text.substr(0, cut)) + "\u2026";
    used += w;
    i += n;
  }
  return std::string(text);
}

std::string BarChartSvg(const std::vector<ChartBar>& bars, const ReportTexts& texts) {
  // A fixed view box scaled to the figure's width: the chart shrinks with
  // the page (and on paper) instead of being cut.
  constexpr int kWidth = 640, kLabelWidth = 292, kBarStart = 300, kBarMax = 280, kRow = 24;
  const int height = static_cast<int>(bars.size()) * kRow + 6;
  std::int64_t largest = 1;
  for (const auto& bar : bars) largest = std::max(largest, bar.count);

  std::string out;
  char buffer[160];
  std::snprintf(buffer, sizeof buffer,
                "<svg class=\"bars\" viewBox=\"0 0 %d %d\" width=\"100%%\" role=\"img\" "
                "preserveAspectRatio=\"xMinYMin meet\">",
                kWidth, height);
  out += buffer;
  int y = 3;
  for (const auto& bar : bars) {
    const std::string label = BarLabel(bar.label, texts);
    const double length =
        bar.count == 0 ? 0.0 : std::max(1.0, static_cast<double>(bar.count) * kBarMax / largest);
    out += "<g class=\"bar\" data-label=\"";
    AppendHtmlEscaped(out, label);
    out += "\" data-count=\"" + std::to_string(bar.count) + "\"><title>";
    AppendHtmlEscaped(out, label);
    out += ": " + std::to_string(bar.count) + "</title>";
    std::snprintf(buffer, sizeof buffer, "<text class=\"label\" x=\"%d\" y=\"%d\">", kLabelWidth,
                  y + 15);
    out += buffer;
    AppendHtmlEscaped(out, ShortenLabel(label, 40));
    std::snprintf(buffer, sizeof buffer,
                  "</text><rect x=\"%d\" y=\"%d\" width=\"%.1f\" height=\"16\" rx=\"2\"/>"
                  "<text class=\"count\" x=\"%.1f\" y=\"%d\">",
                  kBarStart, y + 2, length, kBarStart + length + 6, y + 15);
    out += buffer;
    out += std::to_string(bar.count) + "</text></g>";
    y += kRow;
  }
  out += "</svg>";
  return out;
}

std::string RenderReportHtml(const ReportData& data, ReportLanguage language) {
  const ReportTexts& t = TextsFor(language);
  std::string out;
  out.reserve(4096 + data.computers.size() * 320 + data.applications.size() * 120 +
              data.changes.size() * 160);
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
  out += "</style></head>\n<body>\n<header><h1>";
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
  std::string clock_ahead;
  for (const std::string& name : ClockAheadComputers(data.computers)) {
    clock_ahead += (clock_ahead.empty() ? "" : ", ") + name;
  }
  AppendTotal(out, "clock-ahead", t.clock_ahead, clock_ahead);
  out += "</dl></header>\n<section id=\"overview\"><h2>";
  AppendHtmlEscaped(out, t.overview);
  out += "</h2><div class=\"charts\">";
  AppendChart(out, "chart-windows", t.chart_windows, WindowsVersionBars(data.computers), t);
  out += "</figure>";
  AppendChart(out, "chart-memory", t.chart_memory, MemoryBands(data.computers), t);
  out += "</figure>";
  AppendChart(out, "chart-disk", t.chart_disk, DiskFreeBands(data.computers), t);
  const auto low = LowDiskComputers(data.computers);
  out += "<p class=\"low-disk\">";
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
  out += "</p></figure>";
  AppendChart(out, "chart-cpu", t.chart_cpu, CpuModelBars(data.computers), t);
  out += "</figure>";
  AppendChart(out, "chart-apps", t.chart_apps, TopApplications(data.applications), t);
  out += "</figure></div></section>\n";

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

  out += "<script type=\"application/json\" id=\"report-data\">";
  AppendData(out, data, t);
  out += "</script>\n<script>";
  out += kReportScript;
  out += "</script>\n</body></html>\n";
  return out;
}

}  // namespace norvale::fleet
