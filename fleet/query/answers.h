// The everyday questions, answered from the typed inventory tables of the
// newest runs: computers by criteria, one computer, search, software, and
// the computers that stopped reporting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fleet/query/table_output.h"
#include "fleet/store/database.h"

namespace norvale::fleet {

// A question the user got wrong (an unknown column, a bad condition); the
// command line shows its text.
class QuestionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The columns of latest_computers that `computers` shows, filters and sorts on.
struct ComputerColumn {
  const char* name;
  CellType type;
  bool shown_by_default;
};
const std::vector<ComputerColumn>& ComputerColumns();

struct ComputerQuestion {
  // "memory_mb<8192", "windows=*Windows 7*", "last_seen>30d" (not seen for
  // more than 30 days): all must hold.
  std::vector<std::string> conditions;
  std::string sort;                  // a column; "-column" for descending
  std::vector<std::string> columns;  // empty: the default ones
  std::string now;                   // "YYYY-MM-DD HH:MM:SS" the day counts start from
};
ResultTable AnswerComputers(Database& db, const ComputerQuestion& question);
// Throws the QuestionError AnswerComputers would, without a database.
void CheckComputerQuestion(const ComputerQuestion& question);

// The newest run of a computer named in any case, or at/before a time, or a
// given run of it. Nothing when no run matches.
struct RunChoice {
  std::optional<std::int64_t> run_id;
  std::string at;  // "YYYY-MM-DD[ HH:MM:SS]"; empty: the newest
};
struct ChosenRun {
  std::int64_t run_id = 0;
  std::string computer;  // as stored
  std::string run_at;    // ISO, or when it was loaded
};
std::optional<ChosenRun> ChooseRun(Database& db, const std::string& computer,
                                   const RunChoice& choice);

// The stored name of a computer given in any case; nothing when none matches.
std::optional<std::string> StoredComputerName(Database& db, const std::string& name);

// One section per kind of inventory the run has: the typed table's rows
// (without run_id and line). Sections are named by their table.
struct Section {
  std::string table;
  ResultTable rows;
};
std::vector<Section> AnswerComputer(Database& db, std::int64_t run_id);
// The same for several runs at once (one query, however many runs),
// in the order of `run_ids`.
std::vector<std::vector<Section>> AnswerComputerRuns(Database& db,
                                                     const std::vector<std::int64_t>& run_ids);

// Latest facts and computer names that contain `text` (any case).
ResultTable AnswerSearch(Database& db, const std::string& text);

struct SoftwareQuestion {
  std::string name_pattern;  // as SoftwareFilter's
  std::string computer;      // one computer's applications (the stored name)
  bool versions = false;     // one row per version
  bool installs = false;     // one row per application and computer
};
ResultTable AnswerSoftware(Database& db, const SoftwareQuestion& question);

// Computers whose newest run is older than `days` days before `now`.
ResultTable AnswerUnseen(Database& db, int days, const std::string& now);

// The error rows of the newest runs.
ResultTable AnswerErrors(Database& db);

// Versions in their natural order: "6" < "13" < "27", "1.10" > "1.9".
bool VersionLess(const std::string& a, const std::string& b);

}  // namespace norvale::fleet
