// The change list on both engines where the stored fact groups decide what
// is read: a group compared by a wrong digest would hide a change, so every
// case must give the same list whether the runs have their groups stored or
// not.
#include <gtest/gtest.h>

#include <filesystem>

#include "fleet/common/sha256.h"
#include "fleet/query/queries.h"
#include "fleet/store/fact_groups.h"
#include "fleet/store/schema.h"
#include "tests/fleet/store_fixture.h"

namespace norvale::fleet::testing {
namespace {

class FleetChanges : public FleetStore {
 protected:
  struct Line {
    std::string category, item, subitem, contents, unit;
  };

  // Stores one run of `computer` per element of `runs`, a day apart, each
  // line's number its place in the run.
  void StoreRuns(const std::string& computer, const std::vector<std::vector<Line>>& runs) {
    for (std::size_t r = 0; r < runs.size(); ++r) {
      const std::string day = "2026-12-0" + std::to_string(r + 1);
      RunRecord run{.computer = computer,
                    .run_date = day,
                    .run_time = "9:00:00",
                    .run_at = day + " 09:00:00",
                    .norvale_version = "1.3.3",
                    .source_file = computer + ".tsv",
                    .file_sha256 = computer + std::to_string(r),
                    .file_mtime = "",
                    .loaded_at = "2026-12-09 10:00:00",
                    .row_count = static_cast<std::int64_t>(runs[r].size()),
                    .error_count = 0,
                    .encoding = "utf-8",
                    .seen_at = day + " 09:00:00",
                    .clock_ahead = false};
      std::vector<Fact> facts;
      for (const Line& l : runs[r]) {
        facts.push_back(Fact{static_cast<int>(facts.size()) + 1, l.category, l.item, l.subitem,
                             l.contents, l.unit});
      }
      ASSERT_TRUE(db_->StoreRunWithFacts(run, facts).has_value());
    }
  }

  std::vector<std::string> Changes(const std::string& computer, bool include_changing) {
    std::vector<std::string> out;
    for (const FactChange& c : ListChanges(*db_, {computer, "", include_changing})) {
      out.push_back(c.to_date + " " + c.change + " " + c.category + "/" + c.item + "/" + c.subitem +
                    ": " + c.old_value + " -> " + c.new_value);
    }
    return out;
  }

  void ForgetGroups(const std::string& computer, const std::string& which_runs) {
    db_->Execute(std::string("DELETE FROM ") + kFactGroupsTable +
                     " WHERE run_id IN (SELECT run_id FROM runs WHERE computer = ?" + which_runs +
                     ")",
                 {computer});
  }
};

TEST_P(FleetChanges, StoredGroupsNeverHideAChange) {
  EnsureSchema(*db_);
  using L = Line;
  const L header1{"Create", "DateTime", "2026/12/01", "9:00:00", "Norvale Ver 1.3.3"};
  const L header2{"Create", "DateTime", "2026/12/02", "9:00:00", "Norvale Ver 1.3.3"};
  const L windows{"Soft", "Windows", "Version", "Windows 10 Pro", ""};
  const L agent{"Soft", "Application", "Agent", "4.2", "Acme"};
  const L memory{"Hard", "PhysicalMemory", "Total", "8077", "MB"};
  const L memory_free{"Hard", "PhysicalMemory", "Free", "3021", "MB"};
  const L disk_free_ja{"Hard", "SystemHDD", "空容量", "100.2", "GB"};
  // Memory added, with the figures that change on every run.
  const std::vector<std::vector<Line>> figures = {
      {header1, memory, memory_free, disk_free_ja},
      {header2,
       {"Hard", "PhysicalMemory", "Total", "16270", "MB"},
       {"Hard", "PhysicalMemory", "Free", "9000", "MB"},
       {"Hard", "SystemHDD", "空容量", "90.1", "GB"}}};
  struct Case {
    const char* name;
    std::vector<std::vector<Line>> runs;
    bool include_changing;
    std::vector<std::string> want;  // in the order listed
  } cases[] = {
      {"nothing but the lines' order",
       {{windows, agent, memory}, {memory, agent, windows}},
       false,
       {}},
      {"the same values of one label in another order",
       {{windows,
         {"Soft", "Application", "Tool", "1.0", ""},
         {"Soft", "Application", "Tool", "2.0", ""}},
        {windows,
         {"Soft", "Application", "Tool", "2.0", ""},
         {"Soft", "Application", "Tool", "1.0", ""}}},
       false,
       {"2026-12-02 changed Soft/Application/Tool: 1.0 -> 2.0",
        "2026-12-02 changed Soft/Application/Tool: 2.0 -> 1.0"}},
      {"a fact moved to another item",
       {{windows, {"Device", "Device1", "Name", "Mouse", ""}},
        {windows, {"Device", "Device2", "Name", "Mouse", ""}}},
       false,
       {"2026-12-02 removed Device/Device1/Name: Mouse -> ",
        "2026-12-02 added Device/Device2/Name:  -> Mouse"}},
      {"labels split at another place",
       {{{"Soft", "AB", "C", "x", ""}}, {{"Soft", "A", "BC", "x", ""}}},
       false,
       {"2026-12-02 removed Soft/AB/C: x -> ", "2026-12-02 added Soft/A/BC:  -> x"}},
      {"an empty value and a missing one",
       {{windows, {"LAN", "LAN", "Domain", "", ""}},
        {windows, {"LAN", "LAN", "WorkGroup", "", ""}}},
       false,
       {"2026-12-02 removed LAN/LAN/Domain:  -> ", "2026-12-02 added LAN/LAN/WorkGroup:  -> "}},
      {"a unit changed alone",
       {{memory}, {{"Hard", "PhysicalMemory", "Total", "8077", "GB"}}},
       false,
       {"2026-12-02 changed Hard/PhysicalMemory/Total: 8077 MB -> 8077 GB"}},
      {"changing figures left out",
       figures,
       false,
       {"2026-12-02 changed Hard/PhysicalMemory/Total: 8077 MB -> 16270 MB"}},
      {"changing figures with --all",
       figures,
       true,
       {"2026-12-02 removed Create/DateTime/2026/12/01: 9:00:00 Norvale Ver 1.3.3 -> ",
        "2026-12-02 changed Hard/PhysicalMemory/Free: 3021 MB -> 9000 MB",
        "2026-12-02 changed Hard/PhysicalMemory/Total: 8077 MB -> 16270 MB",
        "2026-12-02 changed Hard/SystemHDD/空容量: 100.2 GB -> 90.1 GB",
        "2026-12-02 added Create/DateTime/2026/12/02:  -> 9:00:00 Norvale Ver 1.3.3"}},
      {"a category only the newer run has, and one only the older",
       {{windows, {"OTHER", "REGISTRY", "Proxy", "", ""}},
        {windows, {"Shared", "Docs", "Path", "C:\\Docs", ""}}},
       false,
       {"2026-12-02 removed OTHER/REGISTRY/Proxy:  -> ",
        "2026-12-02 added Shared/Docs/Path:  -> C:\\Docs"}},
      {"three runs, each pair differing in another group",
       {{windows, agent, memory},
        {windows, {"Soft", "Application", "Agent", "5.0", "Acme"}, memory},
        {windows,
         {"Soft", "Application", "Agent", "5.0", "Acme"},
         {"Hard", "PhysicalMemory", "Total", "16270", "MB"}}},
       false,
       {"2026-12-02 changed Soft/Application/Agent: 4.2 Acme -> 5.0 Acme",
        "2026-12-03 changed Hard/PhysicalMemory/Total: 8077 MB -> 16270 MB"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string computer = "PC-CASE-" + std::to_string(++n);
    StoreRuns(computer, c.runs);
    EXPECT_EQ(Changes(computer, c.include_changing), c.want) << c.name << ", groups stored";
    // A run stored without groups (by an earlier release) beside one with them.
    ForgetGroups(computer, " AND run_at < '2026-12-02'");
    EXPECT_EQ(Changes(computer, c.include_changing), c.want) << c.name << ", the first run without";
    ForgetGroups(computer, "");
    EXPECT_EQ(Changes(computer, c.include_changing), c.want) << c.name << ", none stored";
  }
}

// The whole site at once: pairs compared through their groups and pairs
// compared fact by fact in the same batches give each computer's changes.
TEST_P(FleetChanges, RunsWithAndWithoutGroupsInOneList) {
  EnsureSchema(*db_);
  const Line agent{"Soft", "Application", "Agent", "4.2", "Acme"};
  const Line newer{"Soft", "Application", "Agent", "5.0", "Acme"};
  const Line device{"Device", "Device1", "Name", "Mouse", ""};
  for (int i = 0; i < 300; ++i)
    StoreRuns("PC-" + std::to_string(1000 + i), {{agent, device}, {newer, device}});
  for (int i = 0; i < 300; i += 3) ForgetGroups("PC-" + std::to_string(1000 + i), "");
  const std::vector<FactChange> changes = ListChanges(*db_, {});
  ASSERT_EQ(changes.size(), 300u);
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(changes[i].computer, "PC-" + std::to_string(1000 + i));
    EXPECT_EQ(changes[i].new_value, "5.0 Acme");
  }
}

// A database written by an earlier release holds SHA-256 digests of the
// groups, each text after its length and a colon. Beside a newer run's
// digest of another kind the pair is compared fact by fact: a change is
// found, and facts that stayed show nothing.
TEST_P(FleetChanges, DigestsOfAnEarlierReleaseNeverHideAChange) {
  EnsureSchema(*db_);
  using L = Line;
  const L windows{"Soft", "Windows", "Version", "Windows 10 Pro", ""};
  const L agent{"Soft", "Application", "Agent", "4.2", "Acme"};
  auto earlier_digest = [](const std::vector<Line>& lines) {
    std::string text;
    for (const Line& l : lines) {
      for (const std::string* t : {&l.item, &l.subitem, &l.contents, &l.unit})
        text += std::to_string(t->size()) + ":" + *t;
    }
    return Sha256Hex(text);
  };
  struct Case {
    const char* name;
    std::vector<Line> before, after;
    std::vector<std::string> want;
  } cases[] = {
      {"nothing changed", {windows, agent}, {windows, agent}, {}},
      {"a version changed",
       {windows, agent},
       {windows, {"Soft", "Application", "Agent", "5.0", "Acme"}},
       {"2026-12-02 changed Soft/Application/Agent: 4.2 Acme -> 5.0 Acme"}},
      {"a line added",
       {windows},
       {windows, agent},
       {"2026-12-02 added Soft/Application/Agent:  -> 4.2 Acme"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string computer = "PC-EARLIER-" + std::to_string(++n);
    StoreRuns(computer, {c.before, c.after});
    // Both runs' digests as the earlier release wrote them: equal where the
    // facts are, so the pair is not read when nothing changed.
    for (const auto& [lines, day] :
         {std::pair{&c.before, "2026-12-01"}, {&c.after, "2026-12-02"}}) {
      db_->Execute(std::string("UPDATE ") + kFactGroupsTable +
                       " SET digest = ? WHERE run_id IN"
                       " (SELECT run_id FROM runs WHERE computer = ? AND run_date = ?)",
                   {earlier_digest(*lines), computer, day});
    }
    EXPECT_EQ(Changes(computer, false), c.want) << c.name << ", both digests earlier";
    // The newer run stored again by this release: a digest of another kind.
    const std::vector<FactGroup> groups = FactGroupsOf([&] {
      std::vector<Fact> facts;
      for (const Line& l : c.after) {
        facts.push_back(Fact{static_cast<int>(facts.size()) + 1, l.category, l.item, l.subitem,
                             l.contents, l.unit});
      }
      return facts;
    }());
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_NE(groups[0].digest.size(), earlier_digest(c.after).size());
    db_->Execute(std::string("UPDATE ") + kFactGroupsTable +
                     " SET digest = ? WHERE run_id IN"
                     " (SELECT run_id FROM runs WHERE computer = ? AND run_date = '2026-12-02')",
                 {groups[0].digest, computer});
    EXPECT_EQ(Changes(computer, false), c.want) << c.name << ", the newer digest of another kind";
  }
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FleetChanges, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, FleetChanges, ::testing::Values("postgresql"));

}  // namespace
}  // namespace norvale::fleet::testing
