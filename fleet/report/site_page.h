// The fleet report's site page: one self-contained HTML page (styles, charts
// as inline SVG and the table script all inside the file), so it opens from a
// file share with no network at all.
#pragma once

#include <string>

#include "fleet/report/data.h"
#include "fleet/report/text.h"

namespace norvale::fleet {

std::string RenderReportHtml(const ReportData& data, ReportLanguage language);

}  // namespace norvale::fleet
