// norvale-fleet report: the fleet database as one HTML page.
#pragma once

#include "fleet/cli.h"

namespace norvale::fleet {

Command ReportCommand();

// Writes `text` to `path` through a temporary file beside it, so a failed
// write never leaves half a page where the last good one was.
void WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace norvale::fleet
