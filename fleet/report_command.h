// norvale-fleet report: the fleet database as HTML pages.
#pragma once

#include "fleet/command.h"

namespace norvale::fleet {

Command ReportCommand();

}  // namespace norvale::fleet
