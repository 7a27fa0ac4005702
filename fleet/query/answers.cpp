// The computers that stopped reporting and the error rows of the newest runs;
// the other answers have files of their own.
#include "fleet/query/answers.h"

#include "fleet/common/timestamps.h"
#include "fleet/query/answer_rows.h"

namespace norvale::fleet {

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
