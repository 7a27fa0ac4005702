// Helpers the answers share: cells as text, numbers as the engines print
// them, a query's rows as a table.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fleet/query/table_output.h"
#include "fleet/store/database.h"

namespace norvale::fleet {

std::string Text(const std::optional<std::string>& value);

// Numbers as the engines print them: SQLite shows 8192.0 for a REAL.
std::string NumberText(const std::optional<std::string>& value);

// ASCII letters in lower case; other characters as they are.
std::string Lower(std::string text);

// The rows of a query, numbers by NumberText and the rest by Text.
ResultTable FromQuery(Database& db, const std::string& sql, const std::vector<Param>& params,
                      std::vector<std::string> header, std::vector<CellType> types);

}  // namespace norvale::fleet
