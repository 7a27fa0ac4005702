// The search question: latest facts and computer names that hold a text.
#include <algorithm>

#include "fleet/query/answer_rows.h"
#include "fleet/query/answers.h"
#include "fleet/query/queries.h"

namespace norvale::fleet {

namespace {

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

}  // namespace norvale::fleet
