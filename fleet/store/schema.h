// The fleet database's tables and views: a public interface, versioned so a
// later release can migrate it.
#pragma once

#include "fleet/store/database.h"

namespace norvale::fleet {

// 1: runs and facts. 2: the typed inventory tables derived from the facts,
// their latest_* views and latest_computers.
inline constexpr int kSchemaVersion = 2;

// Each run's fact groups (FactGroupsOf): what the change list compares
// before it reads any fact. A run stored without them is compared fact by fact.
inline constexpr char kFactGroupsTable[] = "run_fact_groups";

struct SchemaChange {
  int from = 0, to = 0;   // equal when nothing changed; from 0: a new database
  std::int64_t runs = 0;  // runs whose typed rows an upgrade derived
};

// Creates the tables and views where missing and upgrades an older schema in
// place, in one transaction (the typed tables are derived again from the
// stored facts); fails on a database written by a newer release.
SchemaChange EnsureSchema(Database& db);

// The version stored in the database, or 0 when it has no fleet tables yet.
int StoredSchemaVersion(Database& db);

}  // namespace norvale::fleet
