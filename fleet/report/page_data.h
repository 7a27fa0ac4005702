// The site page's embedded data: the rows its script sorts, filters and
// pages, as JSON inside a <script type="application/json"> element.
#pragma once

#include <string>

#include "fleet/report/data.h"
#include "fleet/report/text.h"

namespace norvale::fleet {

void AppendPageData(std::string& out, const ReportData& data, const ReportTexts& texts);

}  // namespace norvale::fleet
