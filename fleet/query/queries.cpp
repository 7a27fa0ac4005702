#include "fleet/query/queries.h"

#include <algorithm>
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

using FactKey = std::tuple<std::string, std::string, std::string, int>;  // group, item, sub, n
using FactMap = std::map<FactKey, std::string>;

std::string ValueText(const std::string& contents, const std::string& unit) {
  return unit.empty() ? contents : contents + " " + unit;
}

FactMap LoadRunFacts(Database& db, const std::string& run_id, bool include_volatile) {
  FactMap facts;
  std::map<std::tuple<std::string, std::string, std::string>, int> seen;
  db.ForEachRow(
      "SELECT category, item, subitem, contents, unit FROM facts WHERE run_id = ? ORDER BY line",
      {run_id}, [&](const Row& row) {
        const std::string group = Text(row[0]), item = Text(row[1]), sub = Text(row[2]);
        if (!include_volatile && IsVolatile(group, sub)) return;
        const int n = seen[{group, item, sub}]++;
        facts[{group, item, sub, n}] = ValueText(Text(row[3]), Text(row[4]));
      });
  return facts;
}

}  // namespace

std::vector<ComputerSummary> ListComputers(Database& db) {
  std::map<std::string, ComputerSummary> by_computer;
  for (const Row& row : db.Query("SELECT computer, run_date, run_time FROM latest_runs")) {
    ComputerSummary& c = by_computer[Text(row[0])];
    c.computer = Text(row[0]);
    c.run_date = Text(row[1]);
    c.run_time = Text(row[2]);
  }
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
      "SELECT a.computer, a.run_date, a.run_time FROM runs a"
      " JOIN latest_runs l ON l.computer = a.computer"
      " WHERE a.clock_ahead = 1 AND (a.run_id = l.run_id OR a.run_at > l.seen_at)"
      " ORDER BY a.computer, a.run_at, a.run_id",
      {}, [&](const Row& row) {
        const auto found = by_computer.find(Text(row[0]));
        if (found != by_computer.end())
          found->second.clock_ahead = Text(row[1]) + " " + Text(row[2]);
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

std::vector<FactChange> ListChanges(Database& db, const ChangeFilter& filter) {
  std::string sql = "SELECT computer, run_id, run_date, run_time, seen_at FROM runs";
  std::vector<Param> params;
  if (!filter.computer.empty()) {
    sql += " WHERE computer = ?";
    params.push_back(filter.computer);
  }
  sql += " ORDER BY computer, seen_at, run_id";
  struct Run {
    std::string computer;
    RunRef ref;
    std::string at;
    bool wanted;
  };
  std::vector<Run> runs;
  for (const Row& row : db.Query(sql, params)) {
    runs.push_back(Run{Text(row[0]), RunRef{Text(row[1]), Text(row[2]), Text(row[3])}, Text(row[4]),
                       filter.since.empty() || Text(row[4]) >= filter.since});
  }
  // A run is compared with the computer's run before it when it is wanted;
  // runs before --since are read only as the base of the first wanted one.
  // Facts are read only for runs in such a pair: a computer with one run
  // costs nothing.
  auto compared = [&](std::size_t i) {
    return i > 0 && i < runs.size() && runs[i].wanted && runs[i - 1].computer == runs[i].computer;
  };
  std::vector<FactChange> out;
  FactMap before;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (!compared(i) && !compared(i + 1)) continue;
    FactMap after = LoadRunFacts(db, runs[i].ref.id, filter.include_volatile);
    if (compared(i)) {
      const RunRef& previous = runs[i - 1].ref;
      const RunRef& run = runs[i].ref;
      auto emit = [&](const FactKey& key, const char* change, const std::string& old_value,
                      const std::string& new_value) {
        out.push_back(FactChange{runs[i].computer, previous.date, previous.time, run.date, run.time,
                                 change, std::get<0>(key), std::get<1>(key), std::get<2>(key),
                                 old_value, new_value, runs[i].at});
      };
      for (const auto& [key, value] : before) {
        const auto found = after.find(key);
        if (found == after.end()) {
          emit(key, "removed", value, "");
        } else if (found->second != value) {
          emit(key, "changed", value, found->second);
        }
      }
      for (const auto& [key, value] : after) {
        if (before.find(key) == before.end()) emit(key, "added", "", value);
      }
    }
    before = std::move(after);
  }
  return out;
}

}  // namespace norvale::fleet
