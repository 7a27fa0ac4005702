#include "fleet/query/answers.h"

#include <algorithm>
#include <map>
#include <set>

#include "core/number_format.h"
#include "fleet/common/timestamps.h"
#include "fleet/query/queries.h"
#include "fleet/store/inventory.h"

namespace norvale::fleet {
namespace {

std::string Text(const std::optional<std::string>& value) { return value.value_or(std::string()); }

// Numbers as the engines print them: SQLite shows 8192.0 for a REAL.
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

const ComputerColumn* FindColumn(const std::string& name) {
  for (const ComputerColumn& column : ComputerColumns()) {
    if (name == column.name) return &column;
  }
  return nullptr;
}

std::string ColumnNames() {
  std::string names;
  for (const ComputerColumn& column : ComputerColumns()) {
    names += (names.empty() ? "" : ", ") + std::string(column.name);
  }
  return names;
}

const ComputerColumn& KnownColumn(const std::string& name) {
  const ComputerColumn* column = FindColumn(name);
  if (!column) {
    throw QuestionError("no column '" + name + "'; the columns are " + ColumnNames());
  }
  return *column;
}

// "last_seen>30d": the operator's place and text.
struct Comparison {
  std::string column, op, value;
};

Comparison SplitCondition(const std::string& condition) {
  static const char* const kOperators[] = {"<=", ">=", "!=", "<", ">", "="};
  std::size_t best = std::string::npos;
  std::string op;
  for (const char* candidate : kOperators) {
    const auto at = condition.find(candidate);
    if (at != std::string::npos && (at < best || (at == best && op.size() < 2))) {
      best = at;
      op = candidate;
    }
  }
  if (best == std::string::npos || best == 0) {
    throw QuestionError("a condition is COLUMN OPERATOR VALUE with <, <=, >, >=, = or !=, got '" +
                        condition + "'");
  }
  return {condition.substr(0, best), op, condition.substr(best + op.size())};
}

// "30d" -> 30.
std::optional<int> DayCount(const std::string& value) {
  if (value.size() < 2 || (value.back() != 'd' && value.back() != 'D')) return std::nullopt;
  const std::string digits = value.substr(0, value.size() - 1);
  if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoi(digits);
}

// One condition as SQL over latest_computers, with its parameter.
std::string ConditionSql(const std::string& condition, const std::string& now,
                         std::vector<Param>& params) {
  Comparison c = SplitCondition(condition);
  const ComputerColumn& column = KnownColumn(c.column);
  const std::string name = column.name;
  if (column.type == CellType::kNumber) {
    if (!FigureOf(c.value)) {
      throw QuestionError("'" + c.column + "' holds numbers; '" + c.value + "' is not one");
    }
    params.push_back(FormatShortest(*FigureOf(c.value), "."));
    return name + " " + c.op + " CAST(? AS DOUBLE PRECISION)";
  }
  if (column.type == CellType::kDate) {
    if (const auto days = DayCount(c.value)) {
      // Older than N days ago is "more than N days since": the order turns.
      const std::string then = DaysBefore(now, *days);
      static const std::map<std::string, std::string> kTurned = {
          {">", "<"}, {">=", "<="}, {"<", ">"}, {"<=", ">="}, {"=", "="}, {"!=", "!="}};
      params.push_back(then);
      return name + " " + kTurned.at(c.op) + " ?";
    }
    const std::string date = NormaliseDate(c.value.substr(0, c.value.find(' ')));
    if (date.empty()) {
      throw QuestionError("'" + c.column + "' wants a date (YYYY-MM-DD) or days (30d), got '" +
                          c.value + "'");
    }
    if (c.op == "=" || c.op == "!=") {
      params.push_back(date + "%");
      return name + (c.op == "=" ? " LIKE ?" : " NOT LIKE ?");
    }
    // A day reaches to its end: "> 2026-12-01" starts with the 2nd.
    params.push_back(c.op == ">" || c.op == "<=" ? date + " 99" : date);
    return name + " " + c.op + " ?";
  }
  // Text: any case; "*" and "?" are wildcards.
  if (c.op == "=" || c.op == "!=") {
    const bool wildcards = c.value.find_first_of("*?") != std::string::npos;
    std::string like = wildcards ? LikePattern(c.value) : c.value;
    if (!wildcards) {
      params.push_back(c.value);
      return std::string(c.op == "=" ? "" : "NOT ") + "(LOWER(COALESCE(" + name +
             ", '')) = LOWER(?))";
    }
    params.push_back(like);
    return std::string(c.op == "=" ? "" : "NOT ") + "(LOWER(COALESCE(" + name +
           ", '')) LIKE LOWER(?) ESCAPE '\\')";
  }
  params.push_back(c.value);
  return name + " " + c.op + " ?";
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

// "1.10.2" as its number and text runs, compared run by run.
std::vector<std::pair<bool, std::string>> VersionParts(const std::string& v) {
  std::vector<std::pair<bool, std::string>> parts;
  for (const char c : v) {
    const bool digit = c >= '0' && c <= '9';
    if (parts.empty() || parts.back().first != digit) parts.push_back({digit, ""});
    parts.back().second += c;
  }
  return parts;
}

// A newest run whose computer's name, or whose search text, holds what a
// search looks for.
struct SearchCandidate {
  std::string run_id, computer;
  bool named = false;     // the name holds it
  bool has_text = false;  // the search text does: a fact may
};

// The candidates of a search by computer, in one pass over the newest runs.
// Each fact's texts are lines of the search text, so "%pattern%" over it
// misses no run where one of them matches the pattern. The text is looked up
// run by run: a join would let PostgreSQL, which cannot estimate the match,
// choose the newest runs again for every text.
std::vector<SearchCandidate> SearchCandidates(Database& db, const std::string& text,
                                              const std::string& like) {
  const bool wildcards = text.find_first_of("*?") != std::string::npos;
  const Database::SearchCondition holds = db.SearchTextHolds(
      "(SELECT t.search_text FROM run_search_texts t WHERE t.run_id = r.run_id)", "%" + like + "%",
      wildcards ? std::nullopt : std::optional<std::string>(text));
  // A database of the first schema 2 gains its search texts at its next
  // load; until then every newest run is a candidate.
  const bool search_texts = db.HasTable("run_search_texts");
  std::vector<SearchCandidate> candidates;
  db.ForEachRow(
      "SELECT run_id, computer, named, has_text FROM (SELECT r.run_id, r.computer,"
      " CASE WHEN r.computer " +
          std::string(db.AnyCaseLike()) + " ? ESCAPE '\\' THEN 1 ELSE 0 END AS named, " +
          (search_texts ? "CASE WHEN " + holds.sql + " THEN 1 ELSE 0 END" : std::string("1")) +
          " AS has_text FROM latest_runs r) c WHERE named = 1 OR has_text = 1 ORDER BY computer",
      search_texts ? std::vector<Param>{like, holds.param} : std::vector<Param>{like},
      [&](const Row& row) {
        candidates.push_back(
            {Text(row[0]), Text(row[1]), Text(row[2]) == "1", Text(row[3]) == "1"});
      });
  return candidates;
}

}  // namespace

const std::vector<ComputerColumn>& ComputerColumns() {
  static const std::vector<ComputerColumn> columns = {
      {"computer", CellType::kText, true},
      {"last_seen", CellType::kDate, true},
      {"windows", CellType::kText, true},
      {"windows_build", CellType::kNumber, false},
      {"cpu", CellType::kText, true},
      {"cpus", CellType::kNumber, false},
      {"memory_mb", CellType::kNumber, true},
      {"disk_total_gb", CellType::kNumber, false},
      {"disk_free_gb", CellType::kNumber, true},
      {"disk_free_pct", CellType::kNumber, true},
      {"ip", CellType::kText, true},
      {"mac", CellType::kText, true},
      {"domain", CellType::kText, true},
      {"user_name", CellType::kText, true},
      {"vendor", CellType::kText, false},
      {"model", CellType::kText, false},
      {"serial", CellType::kText, false},
      {"clock_ahead", CellType::kDate, false},
  };
  return columns;
}

bool VersionLess(const std::string& a, const std::string& b) {
  const auto pa = VersionParts(a), pb = VersionParts(b);
  for (std::size_t i = 0; i < pa.size() && i < pb.size(); ++i) {
    if (pa[i] == pb[i]) continue;
    if (pa[i].first && pb[i].first) {
      // Numbers by value: without their leading zeros, the longer is larger.
      std::string x = pa[i].second, y = pb[i].second;
      x.erase(0, std::min(x.find_first_not_of('0'), x.size()));
      y.erase(0, std::min(y.find_first_not_of('0'), y.size()));
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
      continue;
    }
    if (pa[i].first != pb[i].first) return pa[i].first;  // numbers before words
    return pa[i].second < pb[i].second;
  }
  return pa.size() < pb.size();
}

namespace {

struct ComputersSql {
  std::string sql;
  std::vector<Param> params;
  std::vector<std::string> names;
  std::vector<CellType> types;
};

ComputersSql BuildComputersSql(const ComputerQuestion& question) {
  std::vector<std::string> names = question.columns;
  if (names.empty()) {
    for (const ComputerColumn& column : ComputerColumns()) {
      if (column.shown_by_default) names.push_back(column.name);
    }
  }
  std::vector<CellType> types;
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    types.push_back(KnownColumn(names[i]).type);
    sql += (i ? ", " : "") + names[i];
  }
  sql += " FROM latest_computers";
  std::vector<Param> params;
  for (std::size_t i = 0; i < question.conditions.size(); ++i) {
    sql += (i ? " AND " : " WHERE ") + ConditionSql(question.conditions[i], question.now, params);
  }
  sql += " ORDER BY ";
  if (!question.sort.empty()) {
    const bool descending = question.sort[0] == '-';
    const std::string column = descending ? question.sort.substr(1) : question.sort;
    KnownColumn(column);
    // Empty figures last, whichever the direction.
    sql += "CASE WHEN " + column + " IS NULL THEN 1 ELSE 0 END, " + column +
           (descending ? " DESC, " : ", ");
  }
  sql += "UPPER(computer), computer";
  return {sql, params, names, types};
}

}  // namespace

void CheckComputerQuestion(const ComputerQuestion& question) { BuildComputersSql(question); }

ResultTable AnswerComputers(Database& db, const ComputerQuestion& question) {
  const ComputersSql built = BuildComputersSql(question);
  return FromQuery(db, built.sql, built.params, built.names, built.types);
}

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

ResultTable AnswerSearch(Database& db, const std::string& text) {
  const Param like = LikePattern(text);
  const std::string matches = " " + std::string(db.AnyCaseLike()) + " ? ESCAPE '\\'";
  const CellType kT = CellType::kText;
  ResultTable table{{"computer", "kind", "item", "value"}, {kT, kT, kT, kT}, {}};
  // Only the runs whose search text holds the text can have a fact that
  // does; their facts are read, a batch of runs at a time, in the order of
  // their computers.
  std::vector<std::string> runs;
  for (const SearchCandidate& candidate : SearchCandidates(db, text, *like)) {
    if (candidate.named) {
      table.rows.push_back({candidate.computer, "computer", "", candidate.computer});
    }
    if (candidate.has_text) runs.push_back(candidate.run_id);
  }
  constexpr std::size_t kRunsPerQuery = 500;
  for (std::size_t first = 0; first < runs.size(); first += kRunsPerQuery) {
    std::string sql =
        "SELECT r.computer, f.category, f.item, f.subitem, f.contents, f.unit"
        " FROM runs r JOIN facts f ON f.run_id = r.run_id WHERE f.run_id IN (";
    std::vector<Param> params;
    for (std::size_t i = first; i < runs.size() && i < first + kRunsPerQuery; ++i) {
      sql += i > first ? ",?" : "?";
      params.push_back(runs[i]);
    }
    sql += ") AND (f.contents" + matches + " OR f.subitem" + matches + " OR f.item" + matches +
           ") ORDER BY r.computer, f.line";
    params.insert(params.end(), {like, like, like});
    db.ForEachRow(sql, params, [&](const Row& row) {
      const std::string unit = Text(row[5]);
      table.rows.push_back({Text(row[0]), Text(row[1]), Text(row[2]) + " / " + Text(row[3]),
                            Text(row[4]) + (unit.empty() ? "" : " " + unit)});
    });
  }
  // Addresses as people write them: the files pad them to 192.168.001.010.
  db.ForEachRow(
      "SELECT computer, adapter_no, ip_address FROM latest_adapters"
      " WHERE ip_address LIKE ? ESCAPE '\\' AND ip_address <> ''",
      {like}, [&](const Row& row) {
        table.rows.push_back(
            {Text(row[0]), "LAN", "adapter " + Text(row[1]) + " / ip_address", Text(row[2])});
      });
  std::stable_sort(table.rows.begin(), table.rows.end(),
                   [](const auto& a, const auto& b) { return Lower(a[0]) < Lower(b[0]); });
  return table;
}

namespace {

struct Install {
  std::string name, version, publisher, computer;
};

// Every install the question asks about, by name (in any case), version,
// publisher and computer.
std::vector<Install> ReadInstalls(Database& db, const SoftwareQuestion& question) {
  std::string sql = "SELECT name, version, publisher, computer FROM latest_applications";
  std::vector<Param> params;
  std::vector<std::string> where;
  if (!question.name_pattern.empty()) {
    where.push_back("LOWER(name) LIKE LOWER(?) ESCAPE '\\'");
    params.push_back(LikePattern(question.name_pattern));
  }
  if (!question.computer.empty()) {
    where.push_back("computer = ?");
    params.push_back(question.computer);
  }
  for (std::size_t i = 0; i < where.size(); ++i) sql += (i ? " AND " : " WHERE ") + where[i];
  std::vector<Install> installs;
  db.ForEachRow(sql, params, [&](const Row& row) {
    installs.push_back({Text(row[0]), Text(row[1]), Text(row[2]), Text(row[3])});
  });
  std::sort(installs.begin(), installs.end(), [](const Install& a, const Install& b) {
    if (a.name != b.name)
      return Lower(a.name) < Lower(b.name) || (Lower(a.name) == Lower(b.name) && a.name < b.name);
    if (a.version != b.version) return VersionLess(a.version, b.version);
    if (a.publisher != b.publisher) return a.publisher < b.publisher;
    return a.computer < b.computer;
  });
  return installs;
}

ResultTable InstallsTable(const std::vector<Install>& installs) {
  const CellType kT = CellType::kText;
  ResultTable table{{"name", "version", "publisher", "computer"}, {kT, kT, kT, kT}, {}};
  for (const Install& i : installs)
    table.rows.push_back({i.name, i.version, i.publisher, i.computer});
  return table;
}

// One row per name, version and publisher, with its computers counted.
ResultTable VersionsTable(const std::vector<Install>& installs) {
  const CellType kT = CellType::kText, kN = CellType::kNumber;
  ResultTable table{{"name", "version", "publisher", "computers"}, {kT, kT, kT, kN}, {}};
  std::set<std::string> seen;
  for (const Install& i : installs) {
    auto& rows = table.rows;
    if (rows.empty() || rows.back()[0] != i.name || rows.back()[1] != i.version ||
        rows.back()[2] != i.publisher) {
      rows.push_back({i.name, i.version, i.publisher, "0"});
      seen.clear();
    }
    if (seen.insert(i.computer).second) rows.back()[3] = std::to_string(seen.size());
  }
  return table;
}

// One row per application: on how many computers, its versions in order.
ResultTable ApplicationsTable(const std::vector<Install>& installs) {
  const CellType kT = CellType::kText, kN = CellType::kNumber;
  struct Application {
    std::set<std::string> computers;
    std::vector<std::string> versions;
    std::set<std::string> publishers;
  };
  std::map<std::string, Application> by_name;
  for (const Install& i : installs) {
    Application& app = by_name[i.name];
    app.computers.insert(i.computer);
    if (app.versions.empty() || app.versions.back() != i.version) app.versions.push_back(i.version);
    if (!i.publisher.empty()) app.publishers.insert(i.publisher);
  }
  std::vector<std::pair<std::string, const Application*>> order;
  for (const auto& [name, app] : by_name) order.push_back({name, &app});
  std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    return a.second->computers.size() > b.second->computers.size();
  });
  ResultTable table{{"name", "computers", "versions", "publisher"}, {kT, kN, kT, kT}, {}};
  for (const auto& [name, app] : order) {
    std::string versions, publishers;
    for (const std::string& v : app->versions) versions += (versions.empty() ? "" : ", ") + v;
    for (const std::string& p : app->publishers) publishers += (publishers.empty() ? "" : ", ") + p;
    table.rows.push_back({name, std::to_string(app->computers.size()), versions, publishers});
  }
  return table;
}

}  // namespace

ResultTable AnswerSoftware(Database& db, const SoftwareQuestion& question) {
  const std::vector<Install> installs = ReadInstalls(db, question);
  if (!question.computer.empty() || question.installs) return InstallsTable(installs);
  if (question.versions) return VersionsTable(installs);
  return ApplicationsTable(installs);
}

ResultTable AnswerUnseen(Database& db, int days, const std::string& now) {
  const CellType kT = CellType::kText, kN = CellType::kNumber;
  ResultTable table{{"computer", "last_seen", "days", "run_id", "windows", "user_name", "ip"},
                    {kT, CellType::kDate, kN, kN, kT, kT, kT},
                    {}};
  const auto today = SecondNumber(now);
  db.ForEachRow(
      "SELECT computer, last_seen, run_id, windows, user_name, ip FROM latest_computers"
      " WHERE last_seen < ? ORDER BY last_seen, UPPER(computer)",
      {DaysBefore(now, days)}, [&](const Row& row) {
        const auto seen = SecondNumber(Text(row[1]));
        const std::string since =
            today && seen ? std::to_string((*today - *seen) / 86400) : std::string();
        table.rows.push_back({Text(row[0]), Text(row[1]), since, Text(row[2]), Text(row[3]),
                              Text(row[4]), Text(row[5])});
      });
  return table;
}

ResultTable AnswerErrors(Database& db) {
  const CellType kT = CellType::kText;
  return FromQuery(db,
                   "SELECT computer, part, module, error_number, description FROM latest_run_errors"
                   " ORDER BY UPPER(computer), computer, line",
                   {}, {"computer", "part", "module", "error_number", "description"},
                   {kT, kT, kT, CellType::kNumber, kT});
}

}  // namespace norvale::fleet
