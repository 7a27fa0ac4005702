// The site page's embedded data: what its script needs beyond the rows in
// the page, as JSON inside a <script type="application/json"> element.
#pragma once

#include <string>

#include "fleet/report/data.h"

namespace norvale::fleet {

// {"installs": [[[version, [computer, step, step, ...]], ...] per
// application]}, where a computer is its row in the computers table and each
// step adds to the one before: an application's row opens the list of its
// computers. Nothing ({}) when the applications have pages of their own.
void AppendPageData(std::string& out, const ReportData& data);

}  // namespace norvale::fleet
