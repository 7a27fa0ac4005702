// The fleet report as one self-contained HTML page: styles, charts (inline
// SVG drawn here) and the table script all inside the file, so it opens from
// a file share with no network at all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fleet/report/data.h"
#include "fleet/report/text.h"

namespace norvale::fleet {

// Text for HTML content and attribute values: & < > " ' become entities,
// bytes that are not UTF-8 become U+FFFD, control characters other than tab
// and line breaks become spaces.
std::string HtmlEscape(std::string_view text);
void AppendHtmlEscaped(std::string& out, std::string_view text);

// A JSON string literal (with its quotes) that is also safe inside a
// <script> element: < > & and the two JavaScript line separators are
// written as \u escapes, so no stored text can close the element.
void AppendJsonString(std::string& out, std::string_view text);

// A label cut to about `width` columns (East Asian wide characters count
// two), with an ellipsis when something was cut.
std::string ShortenLabel(std::string_view text, int width);

// One horizontal bar chart: each bar carries its label and count as data
// attributes and shows the count beside the bar.
std::string BarChartSvg(const std::vector<ChartBar>& bars, const ReportTexts& texts);

std::string RenderReportHtml(const ReportData& data, ReportLanguage language);

// The page's styles and script (report_assets.cpp).
extern const char kReportStyle[];
extern const char kReportScript[];

}  // namespace norvale::fleet
