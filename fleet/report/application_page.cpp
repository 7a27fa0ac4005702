#include "fleet/report/application_page.h"

#include "fleet/report/html_table.h"
#include "fleet/report/page_frame.h"

namespace norvale::fleet {

std::string RenderApplicationPage(const ReportApplication& application, const ReportData& data,
                                  ReportLanguage language) {
  const ReportTexts& t = TextsFor(language);
  std::string out;
  out.reserve(16384 + application.installs.size() * 96);
  AppendPageStart(out, t, application.name, data.version);
  AppendSubpageHeader(
      out, t, "application-name", application.name,
      {{t.col_publisher, "publisher",
        application.publisher.empty() ? std::string_view("\u2013") : application.publisher},
       {t.generated, "generated", data.generated_at},
       {nullptr, "version", data.version}});
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
