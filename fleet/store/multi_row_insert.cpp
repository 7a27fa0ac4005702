#include "fleet/store/multi_row_insert.h"

namespace norvale::fleet {

std::string MultiRowInsert(std::string_view table, const std::vector<std::string_view>& columns,
                           std::size_t rows) {
  std::string sql = "INSERT INTO ";
  sql.append(table).append(" (");
  std::string row = "(";
  for (std::size_t c = 0; c < columns.size(); ++c) {
    sql.append(c ? ", " : "").append(columns[c]);
    row += c ? ", ?" : "?";
  }
  row += ')';
  sql += ") VALUES ";
  for (std::size_t r = 0; r < rows; ++r) sql.append(r ? ", " : "").append(row);
  return sql;
}

}  // namespace norvale::fleet
