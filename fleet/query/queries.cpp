#include "fleet/query/queries.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>

#include "core/result_labels.h"
#include "core/utf.h"
#include "fleet/store/inventory.h"
#include "fleet/store/schema.h"

namespace norvale::fleet {
namespace {

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
  } else if (group == kGroupHard && IsLabel(item, kLabelPhysicalMemory) &&
             IsLabel(subitem, kLabelTotal)) {
    set(c.memory_mb);
  } else if (group == kGroupHard && IsLabel(item, kLabelSystemHdd) &&
             IsLabel(subitem, kLabelTotal)) {
    set(c.disk_total_gb);
  } else if (group == kGroupHard && IsLabel(item, kLabelSystemHdd) &&
             IsLabel(subitem, kLabelFree)) {
    set(c.disk_free_gb);
  } else if (group == kGroupLan && item == kItemAdapter && IsLabel(subitem, kLabelIpAddress)) {
    set(c.ip);
  } else if (group == kGroupLan && item == kItemAdapter && IsLabel(subitem, kLabelMacAddress)) {
    set(c.mac);
  } else if (group == kGroupLan && item == kItemLan &&
             (IsLabel(subitem, kLabelDomain) || IsLabel(subitem, kLabelWorkGroup))) {
    set(c.domain);
  } else if (group == kGroupLan && item == kItemLan && IsLabel(subitem, kLabelUserName)) {
    set(c.user);
  }
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
  bool changing = false;  // IsChangingFigure
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

// Facts sorted by their labels, equal labels in line order, get their
// occurrence numbers. One sort: a run's lines are unique.
void FinishRunFacts(RunFacts& facts) {
  std::sort(facts.begin(), facts.end(), [](const KeyedFact& a, const KeyedFact& b) {
    return std::tie(a.group, a.item, a.sub, a.line) < std::tie(b.group, b.item, b.sub, b.line);
  });
  for (std::size_t i = 1; i < facts.size(); ++i) {
    const KeyedFact& p = facts[i - 1];
    KeyedFact& f = facts[i];
    if (f.group == p.group && f.item == p.item && f.sub == p.sub) f.n = p.n + 1;
  }
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

// The runs whose changes are listed together: a batch of whole computers.
constexpr std::size_t kRunsPerBatch = 256;

// A stored fact group of a run (see FactGroupsOf), by category and whether
// it holds the changing figures.
struct GroupKey {
  std::string category;
  bool changing = false;
  auto operator<=>(const GroupKey&) const = default;
};
struct StoredGroup {
  std::string digest;
  std::string first_line, last_line;  // as stored, bound again as they are
};
using RunGroups = std::map<GroupKey, StoredGroup>;

// The fact groups of several runs, a statement of one shape for up to
// kRunsPerBatch of them (the ids left over null, so PostgreSQL plans it
// once); a run loaded before groups were kept has none.
std::map<std::string, RunGroups> LoadRunsGroups(Database& db,
                                                const std::vector<std::string>& run_ids) {
  static const std::string sql = [] {
    std::string text = std::string("SELECT run_id, category, changing_figures, digest,") +
                       " first_line, last_line FROM " + kFactGroupsTable + " WHERE run_id IN (?";
    for (std::size_t i = 1; i < kRunsPerBatch; ++i) text += ", ?";
    return text + ")";
  }();
  std::map<std::string, RunGroups> out;
  for (std::size_t first = 0; first < run_ids.size(); first += kRunsPerBatch) {
    std::vector<Param> params(kRunsPerBatch);
    for (std::size_t i = first; i < std::min(run_ids.size(), first + kRunsPerBatch); ++i) {
      params[i - first] = run_ids[i];
    }
    db.ForEachRow(sql, params, [&](const Row& row) {
      out[Text(row[0])][GroupKey{Text(row[1]), Text(row[2]) == "1"}] =
          StoredGroup{Text(row[3]), Text(row[4]), Text(row[5])};
    });
  }
  return out;
}

// Which facts two runs may differ in: every one when either run has no
// groups stored, else those of the groups whose digests differ or that
// only one run has.
struct PairScope {
  bool whole = false;
  std::vector<GroupKey> groups;
  bool Covers(const KeyedFact& f) const {
    if (whole) return true;
    return std::any_of(groups.begin(), groups.end(), [&f](const GroupKey& g) {
      return g.changing == f.changing && g.category == f.group;
    });
  }
};

PairScope DifferingGroups(const RunGroups* before, const RunGroups* after, bool include_changing) {
  PairScope scope;
  if (!before || !after) {
    scope.whole = true;
    return scope;
  }
  auto differs = [&](const GroupKey& key, const StoredGroup* in_after) {
    if (key.changing && !include_changing) return;
    const auto found = before->find(key);
    if (found == before->end() || !in_after || found->second.digest != in_after->digest) {
      scope.groups.push_back(key);
    }
  };
  for (const auto& [key, group] : *after) differs(key, &group);
  for (const auto& [key, group] : *before) {
    if (!after->count(key)) differs(key, nullptr);
  }
  return scope;
}

// What of a run is read: all its facts, or those of some categories, each
// within the lines of the groups wanted.
struct CategoryScope {
  std::string first_line, last_line;
  bool stable = false, changing = false;  // which of its groups
};
struct RunScope {
  bool whole = false;
  std::map<std::string, CategoryScope> categories;
  bool Wants(const std::string& category, bool changing) const {
    if (whole) return true;
    const auto found = categories.find(category);
    return found != categories.end() && (changing ? found->second.changing : found->second.stable);
  }
};

void Widen(RunScope& scope, const PairScope& pair, const RunGroups* groups) {
  if (pair.whole) scope.whole = true;
  if (pair.whole || !groups) return;
  for (const GroupKey& key : pair.groups) {
    const auto found = groups->find(key);
    if (found == groups->end()) continue;  // only the other run has it
    const StoredGroup& group = found->second;
    CategoryScope& category = scope.categories[key.category];
    const bool first = !category.stable && !category.changing;
    if (first || std::stoll(group.first_line) < std::stoll(category.first_line)) {
      category.first_line = group.first_line;
    }
    if (first || std::stoll(group.last_line) > std::stoll(category.last_line)) {
      category.last_line = group.last_line;
    }
    (key.changing ? category.changing : category.stable) = true;
  }
}

// Reads the facts each run's scope names: whole runs by their ids, in a
// statement of one fixed shape (the ids left over null, so PostgreSQL parses
// and plans it once instead of once per batch), and groups by their lines
// and category, as the engine reads them best. Without an ORDER BY:
// PostgreSQL would sort the whole batch on disk; each run's facts are put in
// line order here.
class ScopedFactReader {
 public:
  ScopedFactReader(Database& db, const std::map<std::string, RunScope>& scopes,
                   bool include_changing)
      : db_(db), scopes_(scopes), include_changing_(include_changing) {}

  std::map<std::string, RunFacts> Read() {
    static const std::string whole_runs = [] {
      std::string sql =
          "SELECT run_id, category, item, subitem, contents, unit, line FROM facts"
          " WHERE run_id IN (?";
      for (std::size_t i = 1; i < kRunsPerQuery; ++i) sql += ", ?";
      return sql + ")";
    }();
    std::vector<Param> ids;
    std::vector<Database::CategoryLines> ranges;
    const Database::RowHandler keep = [this](const Row& row) { Keep(row); };
    for (const auto& [id, scope] : scopes_) {
      if (scope.whole) {
        ids.push_back(id);
        if (ids.size() == kRunsPerQuery) ReadWholeRuns(whole_runs, ids, keep);
        continue;
      }
      for (const auto& [category, range] : scope.categories) {
        ranges.push_back({id, range.first_line, range.last_line, category});
      }
    }
    ReadWholeRuns(whole_runs, ids, keep);
    if (!ranges.empty()) db_.ForEachFactWithin(ranges, keep);
    for (auto& [id, facts] : out_) FinishRunFacts(facts);
    return std::move(out_);
  }

 private:
  static constexpr std::size_t kRunsPerQuery = 256;

  // Runs `sql` with `ids`, the ids left over null; empties `ids`.
  void ReadWholeRuns(const std::string& sql, std::vector<Param>& ids,
                     const Database::RowHandler& keep) {
    if (ids.empty()) return;
    ids.resize(kRunsPerQuery);
    db_.ForEachRow(sql, ids, keep);
    ids.clear();
  }

  // A fact read, kept when its run's scope wants it.
  void Keep(const Row& row) {
    const std::string& group = *row[1];
    const bool changing = IsChangingFigure(group, Text(row[3]));
    if (changing && !include_changing_) return;
    if (!scope_ || id_ != *row[0]) {  // a run's rows mostly come together
      id_ = *row[0];
      scope_ = &scopes_.at(id_);
      facts_ = &out_[id_];
    }
    if (!scope_->Wants(group, changing)) return;
    facts_->push_back(KeyedFact{group, Text(row[2]), Text(row[3]), 0,
                                ValueText(Text(row[4]), Text(row[5])), std::stoi(Text(row[6])),
                                changing});
  }

  Database& db_;
  const std::map<std::string, RunScope>& scopes_;
  bool include_changing_;
  std::map<std::string, RunFacts> out_;
  std::string id_;  // the run of the last fact kept, its scope and facts
  const RunScope* scope_ = nullptr;
  RunFacts* facts_ = nullptr;
};

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
void CompareRunFacts(const std::vector<const KeyedFact*>& before,
                     const std::vector<const KeyedFact*>& after, Emit emit) {
  std::vector<const KeyedFact*> added;
  std::size_t a = 0;
  for (const KeyedFact* b : before) {
    while (a < after.size() && *after[a] < *b) added.push_back(after[a++]);
    if (a < after.size() && after[a]->SameKey(*b)) {
      if (after[a]->value != b->value) emit(*b, "changed", b->value, after[a]->value);
      ++a;
    } else {
      emit(*b, "removed", b->value, "");
    }
  }
  while (a < after.size()) added.push_back(after[a++]);
  for (const KeyedFact* f : added) emit(*f, "added", "", f->value);
}

// The facts of a run a pair compares, still in key order: whole groups
// only, so each fact keeps the occurrence number it has in the run.
std::vector<const KeyedFact*> InScope(const RunFacts& facts, const PairScope& scope) {
  std::vector<const KeyedFact*> out;
  for (const KeyedFact& f : facts) {
    if (scope.Covers(f)) out.push_back(&f);
  }
  return out;
}

// The runs of one batch of whole computers, each compared with the run
// before it where the filter wants it, and what of each run that reads.
class ChangeBatch {
 public:
  ChangeBatch(const std::vector<ChangeRun>& runs, std::size_t first, std::size_t last)
      : runs_(runs), first_(first), last_(last) {}

  // A run is compared with the computer's run before it when it is wanted;
  // runs before --since are read only as the base of the first wanted one.
  bool Compared(std::size_t i) const {
    return i > 0 && i < runs_.size() && runs_[i].wanted &&
           runs_[i - 1].computer == runs_[i].computer;
  }

  std::vector<std::string> RunIds() const {
    std::vector<std::string> ids;
    for (std::size_t i = first_; i < last_; ++i) {
      if (Compared(i) || Compared(i + 1)) ids.push_back(runs_[i].ref.id);
    }
    return ids;
  }

  // Only the groups that differ are read, or every fact of a pair of which
  // a run has no groups stored (loaded before they were kept).
  void Plan(const std::map<std::string, RunGroups>& groups, bool include_changing) {
    auto groups_of = [&groups](const std::string& id) -> const RunGroups* {
      const auto found = groups.find(id);
      return found == groups.end() ? nullptr : &found->second;
    };
    for (std::size_t i = first_ + 1; i < last_; ++i) {
      if (!Compared(i)) continue;
      const RunGroups* before = groups_of(runs_[i - 1].ref.id);
      const RunGroups* after = groups_of(runs_[i].ref.id);
      const PairScope& pair =
          pairs_.emplace(i, DifferingGroups(before, after, include_changing)).first->second;
      if (!pair.whole && pair.groups.empty()) continue;
      Widen(scopes_[runs_[i - 1].ref.id], pair, before);
      Widen(scopes_[runs_[i].ref.id], pair, after);
    }
  }

  const std::map<std::string, RunScope>& Scopes() const { return scopes_; }

  void AddChanges(std::map<std::string, RunFacts>& facts, std::vector<FactChange>& out) const {
    for (const auto& [i, pair] : pairs_) {
      if (!pair.whole && pair.groups.empty()) continue;
      const RunRef& previous = runs_[i - 1].ref;
      const RunRef& run = runs_[i].ref;
      const ChangeRun& newer = runs_[i];
      CompareRunFacts(InScope(facts[previous.id], pair), InScope(facts[run.id], pair),
                      [&](const KeyedFact& key, const char* change, const std::string& old_value,
                          const std::string& new_value) {
                        out.push_back(FactChange{newer.computer, previous.date, previous.time,
                                                 run.date, run.time, change, key.group, key.item,
                                                 key.sub, old_value, new_value, newer.at});
                      });
    }
  }

 private:
  const std::vector<ChangeRun>& runs_;
  std::size_t first_, last_;
  std::map<std::size_t, PairScope> pairs_;  // by the newer run's place
  std::map<std::string, RunScope> scopes_;
};

}  // namespace

std::vector<FactChange> ListChanges(Database& db, const ChangeFilter& filter) {
  const std::vector<ChangeRun> runs = RunsInChangeOrder(db, filter);
  // A database made before fact groups were kept compares every fact.
  const bool has_groups = db.HasTable(kFactGroupsTable);
  std::vector<FactChange> out;
  for (std::size_t first = 0; first < runs.size();) {
    // A batch of whole computers, so each pair finds both its runs in it.
    std::size_t last = std::min(runs.size(), first + kRunsPerBatch);
    while (last < runs.size() && runs[last].computer == runs[last - 1].computer) ++last;
    ChangeBatch batch(runs, first, last);
    const std::vector<std::string> ids = batch.RunIds();
    batch.Plan(has_groups ? LoadRunsGroups(db, ids) : std::map<std::string, RunGroups>(),
               filter.include_volatile);
    std::map<std::string, RunFacts> facts =
        ScopedFactReader(db, batch.Scopes(), filter.include_volatile).Read();
    batch.AddChanges(facts, out);
    first = last;
  }
  return out;
}

}  // namespace norvale::fleet
