#include "fleet/report/application_page.h"

#include "fleet/report/html_table.h"
#include "fleet/report/html_text.h"
#include "fleet/report/page_frame.h"

namespace norvale::fleet {

std::string RenderApplicationPage(const ReportApplication& application, const ReportData& data,
                                  ReportLanguage language) {
  const ReportTexts& t = TextsFor(language);
  std::string out;
  out.reserve(16384 + application.installs.size() * 96);
  AppendPageStart(out, t, application.name, data.version);
  out += "<header><p class=\"crumbs\"><a id=\"site-link\" href=\"../index.html\">";
  AppendHtmlEscaped(out, t.back_to_site);
  out += "</a></p><h1 id=\"application-name\">";
  AppendHtmlEscaped(out, application.name);
  out += "</h1><p class=\"meta\">";
  AppendHtmlEscaped(out, t.col_publisher);
  out += " <span id=\"publisher\">";
  AppendHtmlEscaped(out, application.publisher.empty() ? "\u2013" : application.publisher);
  out += "</span> \u00b7 ";
  AppendHtmlEscaped(out, t.generated);
  out += " <span id=\"generated\">";
  AppendHtmlEscaped(out, data.generated_at);
  out += "</span></p></header>\n";
  std::string link;
  AppendTableSection(out, "installs", t.computers, {},
                     {{t.col_computer}, {t.col_version}, {t.col_last_run}}, application.installs,
                     t.no_rows, [&](std::string& row, const auto& install) {
                       const ReportComputer& c = data.computers[install.first];
                       link.assign(c.page.empty() ? "" : "../").append(c.page);
                       AppendLinkCell(row, c.name, link);
                       AppendCell(row, install.second);
                       AppendCell(row, c.last_run);
                     });
  AppendPageEnd(out, t);
  return out;
}

}  // namespace norvale::fleet
