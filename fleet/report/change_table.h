// The table of changes between runs, as both pages show it: the site page
// those of every computer (each linked to its page), a computer page its own.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/report/data.h"
#include "fleet/report/text.h"

namespace norvale::fleet {

// The page of a computer by its name; empty when it has none.
using ComputerPageOf = std::function<std::string_view(const std::string& computer)>;

// Without `page_of` the computer column is left out: the page is that computer's.
void AppendChangeTable(std::string& out, std::string_view id, std::string_view heading,
                       const std::vector<ReportChange>& changes, const ReportTexts& t,
                       const ComputerPageOf& page_of = nullptr);

}  // namespace norvale::fleet
