// Fills the fleet report's data from the database, through the same queries
// as the computers, software and changes commands.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "fleet/query/queries.h"
#include "fleet/report/data.h"
#include "fleet/store/database.h"

namespace norvale::fleet {

// Every change of the fleet, from a caller that lists them anyway; asked for
// last, so the caller may still be listing them while the rest is read.
using EveryChange = std::function<const std::vector<FactChange>&()>;

// `now` ("YYYY-MM-DD HH:MM:SS") is the page's date and the reference for
// "not seen for 30 days" and "changes of the last 30 days".
// `every_change`, when given, saves comparing the runs a second time.
ReportData GatherReportData(Database& db, const std::string& now,
                            const EveryChange& every_change = {});

// A change as the report shows it, dated by the newer run.
ReportChange ReportChangeOf(FactChange change);

// A size as the result file writes it ("8077", "237.9", or "237,9" where the
// PC's decimal separator is a comma); nothing for anything else.
std::optional<double> ParseSize(std::string_view text);

}  // namespace norvale::fleet
