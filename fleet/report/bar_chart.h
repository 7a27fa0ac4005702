// The report's charts: horizontal bars drawn as inline SVG.
#pragma once

#include <string>
#include <vector>

#include "fleet/report/data.h"
#include "fleet/report/text.h"

namespace norvale::fleet {

// One horizontal bar chart: each bar carries its label and count as data
// attributes and shows the count beside the bar.
std::string BarChartSvg(const std::vector<ChartBar>& bars, const ReportTexts& texts);

}  // namespace norvale::fleet
