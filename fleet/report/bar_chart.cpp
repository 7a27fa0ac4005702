#include "fleet/report/bar_chart.h"

#include <algorithm>
#include <cstdio>

#include "fleet/report/html_text.h"
#include "fleet/report/label_width.h"

namespace norvale::fleet {
namespace {

// A fixed view box scaled to the figure's width: the chart shrinks with the
// page (and on paper) instead of being cut.
constexpr int kWidth = 640, kLabelWidth = 292, kBarStart = 300, kBarMax = 280, kRow = 24;

std::string BarLabel(const std::string& label, const ReportTexts& texts) {
  if (label == kUnknownLabel) return texts.unknown;
  if (label == kOtherLabel) return texts.other;
  return label;
}

void AppendBar(std::string& out, const ChartBar& bar, std::int64_t largest, int y,
               const ReportTexts& texts) {
  char buffer[160];
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
}

}  // namespace

std::string BarChartSvg(const std::vector<ChartBar>& bars, const ReportTexts& texts) {
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
    AppendBar(out, bar, largest, y, texts);
    y += kRow;
  }
  out += "</svg>";
  return out;
}

}  // namespace norvale::fleet
