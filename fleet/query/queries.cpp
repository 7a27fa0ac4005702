#include "fleet/query/queries.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>

#include "core/result_labels.h"
#include "core/utf.h"

namespace norvale::fleet {
namespace {

bool Is(const std::string& text, const LabelPair& label) {
  return text == label.english || text == label.japanese;
}

// Where each summary field comes from: (group, item, sub-item) in either language.
void Assign(ComputerSummary& c, const std::string& group, const std::string& item,
            const std::string& subitem, const std::string& contents) {
  auto set = [&](std::string& field) {
    if (field.empty()) field = contents;  // the first occurrence wins
  };
  if (group == kGroupSoft && item == kItemWindows && subitem == kSubItemVersion) {
    set(c.windows);
  } else if (group == kGroupHard && item == kItemCpu && subitem == kSubItemCpuName) {
    set(c.cpu);
  } else if (group == kGroupHard && item == kItemCpu && subitem == kSubItemCpuCount) {
    set(c.processors);
  } else if (group == kGroupHard && Is(item, kLabelPhysicalMemory) && Is(subitem, kLabelTotal)) {
    set(c.memory_mb);
  } else if (group == kGroupHard && Is(item, kLabelSystemHdd) && Is(subitem, kLabelTotal)) {
    set(c.disk_total_gb);
  } else if (group == kGroupHard && Is(item, kLabelSystemHdd) && Is(subitem, kLabelFree)) {
    set(c.disk_free_gb);
  } else if (group == kGroupLan && item == kItemAdapter && Is(subitem, kLabelIpAddress)) {
    set(c.ip);
  } else if (group == kGroupLan && item == kItemAdapter && Is(subitem, kLabelMacAddress)) {
    set(c.mac);
  } else if (group == kGroupLan && item == kItemLan &&
             (Is(subitem, kLabelDomain) || Is(subitem, kLabelWorkGroup))) {
    set(c.domain);
  } else if (group == kGroupLan && item == kItemLan && Is(subitem, kLabelUserName)) {
    set(c.user);
  }
}

// Figures that change on every run without anything having happened.
bool IsVolatile(const std::string& group, const std::string& subitem) {
  if (group == kGroupCreate) return true;
  if (group != kGroupHard) return false;
  if (Is(subitem, kLabelFree) || Is(subitem, kLabelUse)) return true;
  return false;
}

struct RunRef {
  std::string id, date, time;
};

// One fact of a run, keyed by its group, item, sub-item and which of the
// facts with those labels it is (n, in line order).
struct KeyedFact {
  std::string group, item, sub;
  int n = 0;
  std::string value;  // contents, with the unit after a space where there is one
  int line = 0;
  bool operator<(const KeyedFact& other) const {
    return std::tie(group, item, sub, n) < std::tie(other.group, other.item, other.sub, other.n);
  }
  bool SameKey(const KeyedFact& other) const {
    return n == other.n && sub == other.sub && item == other.item && group == other.group;
  }
};
using RunFacts = std::vector<KeyedFact>;  // in key order once finished

std::string ValueText(const std::string& contents, const std::string& unit) {
  return unit.empty() ? contents : contents + " " + unit;
}

// Facts put in line order, then sorted by their labels (stable, so equal
// labels keep line order), get their occurrence numbers.
void FinishRunFacts(RunFacts& facts) {
  std::sort(facts.begin(), facts.end(),
            [](const KeyedFact& a, const KeyedFact& b) { return a.line < b.line; });
  std::stable_sort(facts.begin(), facts.end(), [](const KeyedFact& a, const KeyedFact& b) {
    return std::tie(a.group, a.item, a.sub) < std::tie(b.group, b.item, b.sub);
  });
  for (std::size_t i = 1; i < facts.size(); ++i) {
    const KeyedFact& p = facts[i - 1];
    KeyedFact& f = facts[i];
    if (f.group == p.group && f.item == p.item && f.sub == p.sub) f.n = p.n + 1;
  }
}

// The facts of several runs in one statement: far fewer round trips than a
// statement per run, and the rows still come a batch at a time. Without an
// ORDER BY: PostgreSQL would sort the whole batch on disk; each run's facts
// are put in line order here.
std::map<std::string, RunFacts> LoadRunsFacts(Database& db, const std::vector<std::string>& run_ids,
                                              bool include_volatile) {
  std::map<std::string, RunFacts> out;
  if (run_ids.empty()) return out;
  std::string sql =
      "SELECT run_id, category, item, subitem, contents, unit, line FROM facts WHERE run_id IN (";
  std::vector<Param> params;
  for (const std::string& id : run_ids) {
    sql += params.empty() ? "?" : ", ?";
    params.push_back(id);
  }
  sql += ")";
  db.ForEachRow(sql, params, [&](const Row& row) {
    const std::string& group = *row[1];
    if (!include_volatile && IsVolatile(group, Text(row[3]))) return;
    out[Text(row[0])].push_back(KeyedFact{group, Text(row[2]), Text(row[3]), 0,
                                          ValueText(Text(row[4]), Text(row[5])),
                                          std::stoi(Text(row[6]))});
  });
  for (auto& [id, facts] : out) FinishRunFacts(facts);
  return out;
}

}  // namespace

std::vector<ComputerSummary> ListComputers(Database& db) {
  std::map<std::string, ComputerSummary> by_computer;
  db.ForEachRow(
      "SELECT computer, run_date, run_time, seen_at, error_count, run_id FROM latest_runs", {},
      [&](const Row& row) {
        ComputerSummary& c = by_computer[Text(row[0])];
        c.computer = Text(row[0]);
        c.run_date = Text(row[1]);
        c.run_time = Text(row[2]);
        c.seen_at = Text(row[3]);
        c.error_count = std::atoi(Text(row[4]).c_str());
        c.run_id = std::atoll(Text(row[5]).c_str());
      });
  // Only the items Assign takes from: a few rows of each run, not all of them.
  const std::vector<Param> items = {std::string(kItemWindows),
                                    std::string(kItemCpu),
                                    std::string(kLabelPhysicalMemory.english),
                                    std::string(kLabelPhysicalMemory.japanese),
                                    std::string(kLabelSystemHdd.english),
                                    std::string(kLabelSystemHdd.japanese),
                                    std::string(kItemAdapter),
                                    std::string(kItemLan)};
  db.ForEachRow(
      "SELECT computer, category, item, subitem, contents FROM latest_facts "
      "WHERE item IN (?, ?, ?, ?, ?, ?, ?, ?) ORDER BY computer, line",
      items, [&](const Row& row) {
        Assign(by_computer[Text(row[0])], Text(row[1]), Text(row[2]), Text(row[3]), Text(row[4]));
      });
  // Runs stored with the clock ahead never count as the newest by their date,
  // so a computer cannot freeze itself in the future; they are named instead.
  db.ForEachRow(
      "SELECT a.computer, a.run_date, a.run_time, a.loaded_at FROM runs a"
      " JOIN latest_runs l ON l.computer = a.computer"
      " WHERE a.clock_ahead = 1 AND (a.run_id = l.run_id OR a.run_at > l.seen_at)"
      " ORDER BY a.computer, a.run_at, a.run_id",
      {}, [&](const Row& row) {
        const auto found = by_computer.find(Text(row[0]));
        if (found == by_computer.end()) return;
        found->second.clock_ahead = Text(row[1]) + " " + Text(row[2]);
        found->second.clock_ahead_loaded_at = Text(row[3]);
      });
  std::vector<ComputerSummary> out;
  for (auto& [name, summary] : by_computer) out.push_back(std::move(summary));
  return out;
}

std::string LikePattern(const std::string& pattern) {
  std::string like;
  const bool wildcards = pattern.find_first_of("*?") != std::string::npos;
  if (!wildcards) like += '%';
  for (const char c : pattern) {
    if (c == '*') {
      like += '%';
    } else if (c == '?') {
      like += '_';
    } else {
      if (c == '%' || c == '_' || c == '\\') like += '\\';
      like += c;
    }
  }
  if (!wildcards) like += '%';
  return like;
}

std::vector<SoftwareEntry> ListSoftware(Database& db, const SoftwareFilter& filter) {
  std::string sql =
      "SELECT subitem, contents, unit, computer FROM latest_facts WHERE category = ? AND item = ?";
  std::vector<Param> params = {std::string(kGroupSoft), std::string(kItemApplication)};
  if (!filter.name_pattern.empty()) {
    sql += " AND LOWER(subitem) LIKE LOWER(?) ESCAPE '\\'";
    params.push_back(LikePattern(filter.name_pattern));
  }
  sql += " ORDER BY subitem, contents, unit, computer";
  std::vector<SoftwareEntry> out;
  db.ForEachRow(sql, params, [&](const Row& row) {
    const std::string name = Text(row[0]), version = Text(row[1]), publisher = Text(row[2]);
    if (out.empty() || out.back().name != name || out.back().version != version ||
        out.back().publisher != publisher) {
      out.push_back(SoftwareEntry{name, version, publisher, 0, {}});
    }
    SoftwareEntry& entry = out.back();
    const std::string computer = Text(row[3]);
    if (entry.computers.empty() || entry.computers.back() != computer) {
      entry.computers.push_back(computer);
      ++entry.computer_count;
    }
  });
  return out;
}

namespace {

// A run in the order changes are told: by computer, then as seen.
struct ChangeRun {
  std::string computer;
  RunRef ref;
  std::string at;
  bool wanted;  // seen on or after --since
};

std::vector<ChangeRun> RunsInChangeOrder(Database& db, const ChangeFilter& filter) {
  std::string sql = "SELECT computer, run_id, run_date, run_time, seen_at FROM runs";
  std::vector<Param> params;
  if (!filter.computer.empty()) {
    sql += " WHERE computer = ?";
    params.push_back(filter.computer);
  }
  sql += " ORDER BY computer, seen_at, run_id";
  std::vector<ChangeRun> runs;
  db.ForEachRow(sql, params, [&](const Row& row) {
    runs.push_back(ChangeRun{Text(row[0]), RunRef{Text(row[1]), Text(row[2]), Text(row[3])},
                             Text(row[4]), filter.since.empty() || Text(row[4]) >= filter.since});
  });
  return runs;
}

// Calls emit(fact, change, old value, new value) for each fact removed,
// changed or added from `before` to `after`. Both are in key order: one walk
// finds what was removed or changed, and what is left of the newer run was
// added.
template <typename Emit>
void CompareRunFacts(const RunFacts& before, const RunFacts& after, Emit emit) {
  std::vector<const KeyedFact*> added;
  std::size_t a = 0;
  for (const KeyedFact& b : before) {
    while (a < after.size() && after[a] < b) added.push_back(&after[a++]);
    if (a < after.size() && after[a].SameKey(b)) {
      if (after[a].value != b.value) emit(b, "changed", b.value, after[a].value);
      ++a;
    } else {
      emit(b, "removed", b.value, "");
    }
  }
  while (a < after.size()) added.push_back(&after[a++]);
  for (const KeyedFact* f : added) emit(*f, "added", "", f->value);
}

}  // namespace

std::vector<FactChange> ListChanges(Database& db, const ChangeFilter& filter) {
  const std::vector<ChangeRun> runs = RunsInChangeOrder(db, filter);
  // A run is compared with the computer's run before it when it is wanted;
  // runs before --since are read only as the base of the first wanted one.
  // Facts are read only for runs in such a pair: a computer with one run
  // costs nothing.
  auto compared = [&](std::size_t i) {
    return i > 0 && i < runs.size() && runs[i].wanted && runs[i - 1].computer == runs[i].computer;
  };
  constexpr std::size_t kRunsPerBatch = 256;
  std::vector<FactChange> out;
  std::map<std::string, RunFacts> facts;
  for (std::size_t first = 0; first < runs.size();) {
    // A batch of whole computers, so each pair finds both its runs in it.
    std::size_t last = std::min(runs.size(), first + kRunsPerBatch);
    while (last < runs.size() && runs[last].computer == runs[last - 1].computer) ++last;
    std::vector<std::string> ids;
    for (std::size_t i = first; i < last; ++i) {
      if (compared(i) || compared(i + 1)) ids.push_back(runs[i].ref.id);
    }
    facts = LoadRunsFacts(db, ids, filter.include_volatile);
    for (std::size_t i = first + 1; i < last; ++i) {
      if (!compared(i)) continue;
      const RunRef& previous = runs[i - 1].ref;
      const RunRef& run = runs[i].ref;
      CompareRunFacts(facts[previous.id], facts[run.id],
                      [&](const KeyedFact& key, const char* change, const std::string& old_value,
                          const std::string& new_value) {
                        out.push_back(FactChange{runs[i].computer, previous.date, previous.time,
                                                 run.date, run.time, change, key.group, key.item,
                                                 key.sub, old_value, new_value, runs[i].at});
                      });
    }
    first = last;
  }
  return out;
}

}  // namespace norvale::fleet
