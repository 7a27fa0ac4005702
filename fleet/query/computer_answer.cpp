// One computer: its run chosen by name, number or time, and its typed rows.
#include <algorithm>
#include <map>

#include "fleet/query/answer_rows.h"
#include "fleet/query/answers.h"
#include "fleet/store/inventory.h"

namespace norvale::fleet {

std::optional<std::string> StoredComputerName(Database& db, const std::string& name) {
  const auto rows = db.Query(
      "SELECT DISTINCT computer FROM runs WHERE UPPER(computer) = UPPER(?) ORDER BY computer",
      {name});
  if (rows.empty()) return std::nullopt;
  return Text(rows[0][0]);
}

std::optional<ChosenRun> ChooseRun(Database& db, const std::string& computer,
                                   const RunChoice& choice) {
  std::string sql =
      "SELECT run_id, computer, COALESCE(run_at, loaded_at) FROM runs"
      " WHERE UPPER(computer) = UPPER(?)";
  std::vector<Param> params = {computer};
  if (choice.run_id) {
    sql += " AND run_id = ?";
    params.push_back(std::to_string(*choice.run_id));
  } else if (!choice.at.empty()) {
    sql += " AND seen_at <= ?";
    params.push_back(choice.at.size() == 10 ? choice.at + " 99" : choice.at);
  }
  // The order latest_runs chooses by: a run dated ahead of the clock counts
  // as seen when it was loaded.
  sql += " ORDER BY seen_at DESC, run_id DESC";
  const auto rows = db.Query(sql, params);
  if (rows.empty()) return std::nullopt;
  return ChosenRun{std::stoll(Text(rows[0][0])), Text(rows[0][1]), Text(rows[0][2])};
}

namespace {

// A table holding a single entry reads better as a field per line than as
// one wide line.
ResultTable FieldPerLine(const ResultTable& rows) {
  ResultTable fields{{"field", "value"}, {CellType::kText, CellType::kText}, {}};
  for (std::size_t c = 0; c < rows.header.size(); ++c) {
    if (!rows.rows[0][c].empty()) fields.rows.push_back({rows.header[c], rows.rows[0][c]});
  }
  return fields;
}

// A kind's table without its rows: the shown columns (all but run_id and
// line) and their cell types.
ResultTable EmptyInventoryTable(const InventoryTable& table) {
  ResultTable empty;
  for (const InventoryColumn& column : table.columns) {
    if (std::string_view(column.name) == "line") continue;
    empty.header.push_back(column.name);
    empty.types.push_back(column.type == ColumnType::kText ? CellType::kText : CellType::kNumber);
  }
  return empty;
}

// Every kind of inventory of several runs in one query, so a server is asked
// once rather than once per kind: each kind's shown columns as text, padded
// with nulls to the widest kind, after the kind's number, the run and the
// line (0 for a kind with one row per run), in that order. Each kind names
// the runs itself: a shared list of them would cost a join per kind.
std::string InventoryOfRunsSql(std::size_t run_count) {
  const auto& tables = InventoryTables();
  std::size_t widest = 0;
  for (const InventoryTable& table : tables) {
    widest = std::max(widest, EmptyInventoryTable(table).header.size());
  }
  std::string runs;
  for (std::size_t i = 0; i < run_count; ++i) runs += i ? ",?" : "?";
  std::string sql;
  for (std::size_t kind = 0; kind < tables.size(); ++kind) {
    const InventoryTable& table = tables[kind];
    sql += kind ? " UNION ALL " : "";
    sql += "SELECT " + std::to_string(kind) + " AS kind, run_id, " +
           (table.one_per_run ? "0" : "line") + " AS line";
    std::size_t shown = 0;
    for (const InventoryColumn& column : table.columns) {
      if (std::string_view(column.name) == "line") continue;
      sql += ", CAST(" + std::string(column.name) + " AS TEXT)";
      ++shown;
    }
    for (; shown < widest; ++shown) sql += ", NULL";
    sql += " FROM " + std::string(table.name) + " WHERE run_id IN (" + runs + ")";
  }
  return sql + " ORDER BY kind, run_id, line";
}

// The rows of every kind for each run: tables[kind][n] for run_ids[n].
std::vector<std::vector<ResultTable>> ReadInventories(Database& db,
                                                      const std::vector<std::int64_t>& run_ids) {
  std::map<std::int64_t, std::size_t> at;
  std::vector<Param> params;
  for (std::size_t kind = 0; kind < InventoryTables().size(); ++kind) {
    for (std::size_t i = 0; i < run_ids.size(); ++i) {
      at[run_ids[i]] = i;
      params.push_back(std::to_string(run_ids[i]));
    }
  }
  std::vector<std::vector<ResultTable>> tables;
  for (const InventoryTable& table : InventoryTables()) {
    tables.emplace_back(run_ids.size(), EmptyInventoryTable(table));
  }
  db.ForEachRow(InventoryOfRunsSql(run_ids.size()), params, [&](const Row& row) {
    ResultTable& target = tables[std::stoul(Text(row[0]))][at[std::stoll(Text(row[1]))]];
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < target.types.size(); ++i) {
      const auto& cell = row[i + 3];
      cells.push_back(target.types[i] == CellType::kNumber ? NumberText(cell) : Text(cell));
    }
    target.rows.push_back(std::move(cells));
  });
  return tables;
}

}  // namespace

std::vector<std::vector<Section>> AnswerComputerRuns(Database& db,
                                                     const std::vector<std::int64_t>& run_ids) {
  std::vector<std::vector<Section>> out(run_ids.size());
  if (run_ids.empty()) return out;
  std::vector<std::vector<ResultTable>> tables = ReadInventories(db, run_ids);
  for (std::size_t kind = 0; kind < tables.size(); ++kind) {
    const InventoryTable& table = InventoryTables()[kind];
    for (std::size_t r = 0; r < run_ids.size(); ++r) {
      ResultTable& rows = tables[kind][r];
      if (rows.rows.empty()) continue;
      out[r].push_back(
          Section{table.name, table.one_per_run ? FieldPerLine(rows) : std::move(rows)});
    }
  }
  return out;
}

std::vector<Section> AnswerComputer(Database& db, std::int64_t run_id) {
  return std::move(AnswerComputerRuns(db, {run_id})[0]);
}

}  // namespace norvale::fleet
