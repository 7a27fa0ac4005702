// The text of an insert of several rows at once: SQLite's cost is mostly
// per statement run, so a run's rows go in a few statements.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::fleet {

// "INSERT INTO table (a, b) VALUES (?, ?), (?, ?)" for `rows` rows.
std::string MultiRowInsert(std::string_view table, const std::vector<std::string_view>& columns,
                           std::size_t rows);

}  // namespace norvale::fleet
