// Every command of norvale-fleet, in the order --help lists them.
#pragma once

#include <vector>

#include "fleet/command.h"

namespace norvale::fleet {

const std::vector<Command>& FleetCommands();

}  // namespace norvale::fleet
