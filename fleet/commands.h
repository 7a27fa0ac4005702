// The commands of norvale-fleet; cli.cpp lists them in one table.
#pragma once

#include <memory>
#include <string>

#include "fleet/cli.h"
#include "fleet/store/database.h"

namespace norvale::fleet {

// Opens a target that holds fleet data for reading; a fresh target or one of
// a newer schema is refused with a one-line message instead of failing on SQL.
std::unique_ptr<Database> OpenStoreForQuery(const std::string& target);

Command LoadCommand();
Command ComputersCommand();
Command SoftwareCommand();
Command ChangesCommand();

}  // namespace norvale::fleet
