// The computers question: conditions, columns and order over latest_computers.
#include <map>

#include "core/number_format.h"
#include "fleet/common/timestamps.h"
#include "fleet/query/answer_rows.h"
#include "fleet/query/answers.h"
#include "fleet/query/queries.h"
#include "fleet/store/inventory.h"

namespace norvale::fleet {

namespace {

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

}  // namespace norvale::fleet
