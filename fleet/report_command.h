// norvale-fleet report: the fleet database as one HTML page.
#pragma once

#include "fleet/cli.h"

namespace norvale::fleet {

Command ReportCommand();

}  // namespace norvale::fleet
