// A page per computer: its newest run grouped by kind, as `computer NAME`
// shows it, and its history, every run with what changed between them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fleet/query/table_output.h"
#include "fleet/report/data.h"
#include "fleet/report/text.h"

namespace norvale::fleet {

struct ReportRun {
  std::int64_t run_id = 0;
  std::string when;
  std::int64_t rows = 0, errors = 0;
};

struct ComputerPage {
  std::string name;
  std::string run_at;
  // Heading and rows, in the order and with the headings of `computer NAME`.
  std::vector<std::pair<std::string, ResultTable>> sections;
  std::vector<ReportRun> runs;        // oldest first
  std::vector<ReportChange> changes;  // between each run and the one before, oldest first
};

// The page lives in a folder below the site page, which it links back to.
std::string RenderComputerPage(const ComputerPage& page, const std::string& generated_at,
                               const std::string& version, ReportLanguage language);

}  // namespace norvale::fleet
