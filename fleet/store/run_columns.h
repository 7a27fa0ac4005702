// The runs table's columns, each tied to its RunRecord field in one table, so
// that no engine matches values to columns by their position.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "fleet/store/database.h"

namespace norvale::fleet {

struct RunColumn {
  const char* name;
  Param (*value)(const RunRecord& run);
};

std::span<const RunColumn> RunColumns();

// "computer, run_date, ..."
std::string RunColumnList();

// The record's values in the order of RunColumns.
std::vector<Param> RunParams(const RunRecord& run);

// Inserts one run with "?" placeholders, unless its content is stored for
// its computer already; answers the new run_id, or no row.
const std::string& InsertRunStatement();

}  // namespace norvale::fleet
