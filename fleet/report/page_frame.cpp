#include "fleet/report/page_frame.h"

#include <utility>

#include "fleet/common/json_text.h"
#include "fleet/report/assets.h"
#include "fleet/report/html_text.h"

namespace norvale::fleet {
namespace {

void AppendScriptTexts(std::string& out, const ReportTexts& t) {
  const std::pair<const char*, const char*> words[] = {
      {"previous", t.previous}, {"next", t.next},           {"rows", t.rows_range},
      {"none", t.no_rows},      {"with", t.computers_with}, {"filter", t.filter_placeholder},
      {"download", t.download},
  };
  out += '{';
  bool first = true;
  for (const auto& [key, word] : words) {
    if (!first) out += ',';
    first = false;
    AppendJsonString(out, key);
    out += ':';
    AppendJsonString(out, word);
  }
  out += '}';
}

}  // namespace

void AppendPageStart(std::string& out, const ReportTexts& t, std::string_view title,
                     std::string_view version) {
  out += "<!DOCTYPE html>\n<html lang=\"";
  out += t.lang;
  out +=
      "\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
      "<meta name=\"generator\" content=\"";
  AppendHtmlEscaped(out, version);
  out += "\"><title>";
  AppendHtmlEscaped(out, title);
  // With scripts on, long tables show their first page from the first paint
  // instead of laying out every row first; without, every row shows.
  out += "</title><script>document.documentElement.classList.add('js')</script><style>";
  out += kReportStyle;
  out += "</style></head>\n<body>\n";
}

void AppendSubpageHeader(std::string& out, const ReportTexts& t, std::string_view name_id,
                         std::string_view name, std::initializer_list<HeaderValue> values) {
  out += "<header><p class=\"crumbs\"><a id=\"site-link\" href=\"../index.html\">";
  AppendHtmlEscaped(out, t.back_to_site);
  out += "</a></p><h1 id=\"";
  out += name_id;
  out += "\">";
  AppendHtmlEscaped(out, name);
  out += "</h1><p class=\"meta\">";
  bool first = true;
  for (const HeaderValue& value : values) {
    if (!first) out += " \u00b7 ";
    first = false;
    if (value.label) {
      AppendHtmlEscaped(out, value.label);
      out += ' ';
    }
    out += "<span id=\"";
    out += value.id;
    out += "\">";
    AppendHtmlEscaped(out, value.value);
    out += "</span>";
  }
  out += "</p></header>\n";
}

void AppendPageEnd(std::string& out, const ReportTexts& t) {
  out += "<script type=\"application/json\" id=\"report-texts\">";
  AppendScriptTexts(out, t);
  out += "</script>\n<script>";
  out += kReportScript;
  out += "</script>\n</body></html>\n";
}

}  // namespace norvale::fleet
