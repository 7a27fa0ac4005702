#include "fleet/query/answer_rows.h"

namespace norvale::fleet {

std::string Text(const std::optional<std::string>& value) { return value.value_or(std::string()); }

std::string NumberText(const std::optional<std::string>& value) {
  std::string text = Text(value);
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

ResultTable FromQuery(Database& db, const std::string& sql, const std::vector<Param>& params,
                      std::vector<std::string> header, std::vector<CellType> types) {
  ResultTable table{std::move(header), std::move(types), {}};
  db.ForEachRow(sql, params, [&](const Row& row) {
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < row.size(); ++i) {
      cells.push_back(table.types[i] == CellType::kNumber ? NumberText(row[i]) : Text(row[i]));
    }
    table.rows.push_back(std::move(cells));
  });
  return table;
}

}  // namespace norvale::fleet
