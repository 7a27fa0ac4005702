// The commands of norvale-fleet; cli.cpp lists them in one table.
#pragma once

#include "fleet/cli.h"

namespace norvale::fleet {

Command LoadCommand();
Command ComputersCommand();
Command SoftwareCommand();
Command ChangesCommand();

}  // namespace norvale::fleet
