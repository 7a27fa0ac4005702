// Opening the database a command names with --db, with the refusals and
// messages the command line gives.
#pragma once

#include <memory>
#include <string>

#include "fleet/store/database.h"

namespace norvale::fleet {

// The load's target, made where missing; a failure names the file. SQLite on
// a network folder is refused.
std::unique_ptr<Database> OpenStoreForLoad(const std::string& target);

// Opens a target that holds fleet data for reading; a missing file, a fresh
// target or one of a newer schema is refused with a one-line message naming
// it, instead of creating a file or failing on SQL.
std::unique_ptr<Database> OpenStoreForQuery(const std::string& target);

}  // namespace norvale::fleet
