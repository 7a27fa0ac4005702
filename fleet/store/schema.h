// The fleet database's tables and views: a public interface, versioned so a
// later release can migrate it.
#pragma once

#include "fleet/store/database.h"

namespace norvale::fleet {

inline constexpr int kSchemaVersion = 1;

// Creates the tables and views where missing; fails on a database written by
// a newer release (a version this program does not know).
void EnsureSchema(Database& db);

// The version stored in the database, or 0 when it has no fleet tables yet.
int StoredSchemaVersion(Database& db);

}  // namespace norvale::fleet
