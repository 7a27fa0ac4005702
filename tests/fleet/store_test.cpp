// The same suite runs against SQLite and against a real PostgreSQL server.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "fleet/load/loader.h"
#include "fleet/query/queries.h"
#include "fleet/store/schema.h"
#include "tests/fleet/fleet_world.h"
#include "tests/fleet/postgres_server.h"

namespace norvale::fleet::testing {
namespace {

class FleetStore : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    target_ = GetParam() == "sqlite" ? dir_ / "fleet.sqlite" : FreshPostgresTarget();
    ASSERT_FALSE(target_.empty());
    db_ = OpenDatabase(target_);
    share_ = dir_ / "share";
    std::filesystem::create_directory(share_);
  }

  bool IsSqlite() const { return GetParam() == "sqlite"; }

  void Put(const PcSpec& pc, const std::string& name = "") {
    WriteFile(share_ + "/" + (name.empty() ? pc.computer + (pc.csv ? ".csv" : ".tsv") : name),
              ResultBytes(pc));
  }

  // Computers PC-100, PC-101, ... with `apps` applications each, every
  // `japanese_every`-th one Japanese; `adjust` may change any of them.
  void PutComputers(int count, int apps, int japanese_every,
                    const std::function<void(int, PcSpec&)>& adjust = {}) {
    for (int i = 0; i < count; ++i) {
      PcSpec pc;
      pc.computer = "PC-" + std::to_string(100 + i);
      pc.japanese = japanese_every > 0 && i % japanese_every == 0;
      for (int a = 0; a < apps; ++a) pc.apps.push_back({"App " + std::to_string(a), "1.0", "Acme"});
      if (adjust) adjust(i, pc);
      Put(pc);
    }
  }

  LoadSummary Load(Database& db, const LoadOptions& options = {}) {
    observer_ = RecordingObserver();
    return LoadResultFiles(db, {share_}, options, observer_);
  }
  LoadSummary Load() { return Load(*db_); }

  std::string Scalar(const std::string& sql, const std::vector<Param>& params = {}) {
    const auto rows = db_->Query(sql, params);
    return rows.empty() || !rows[0][0] ? "" : *rows[0][0];
  }

  TempDir dir_;
  std::string target_, share_;
  std::unique_ptr<Database> db_;
  RecordingObserver observer_;
};

TEST_P(FleetStore, EnglishAndJapaneseRunsGiveTheSameColumns) {
  PcSpec en;
  PcSpec ja;
  ja.computer = "PC-JA";
  ja.japanese = true;
  ja.csv = true;
  ja.memory_mb = "16270";
  ja.ip = "192.168.001.020";
  ja.mac = "AA:BB:CC:DD:EE:FF";
  ja.domain = "CORP";
  ja.workgroup = "";
  ja.user = "山田";
  Put(en);
  Put(ja);
  const LoadSummary s = Load();
  EXPECT_EQ(s.loaded, 2);
  EXPECT_EQ(s.rejected, 0) << ::testing::PrintToString(observer_.rejected);

  const auto computers = ListComputers(*db_);
  ASSERT_EQ(computers.size(), 2u);
  const ComputerSummary& e = computers[0];
  EXPECT_EQ(e.computer, "PC-01");
  EXPECT_EQ(e.run_date, "2026/12/01");
  EXPECT_EQ(e.run_time, "9:00:00");
  EXPECT_EQ(e.windows, en.windows);
  EXPECT_EQ(e.cpu, en.cpu);
  EXPECT_EQ(e.processors, "6");
  EXPECT_EQ(e.memory_mb, "8077");
  EXPECT_EQ(e.disk_total_gb, "237.9");
  EXPECT_EQ(e.disk_free_gb, "100.2");
  EXPECT_EQ(e.ip, "192.168.001.010");
  EXPECT_EQ(e.mac, "00:11:22:33:44:55");
  EXPECT_EQ(e.domain, "WORKGROUP");
  EXPECT_EQ(e.user, "taro");
  const ComputerSummary& j = computers[1];
  EXPECT_EQ(j.computer, "PC-JA");
  EXPECT_EQ(j.memory_mb, "16270");
  EXPECT_EQ(j.disk_total_gb, "237.9");
  EXPECT_EQ(j.ip, "192.168.001.020");  // the first adapter's, not Adapter2's
  EXPECT_EQ(j.mac, "AA:BB:CC:DD:EE:FF");
  EXPECT_EQ(j.domain, "CORP");
  EXPECT_EQ(j.user, "山田");
  EXPECT_EQ(Scalar("SELECT encoding FROM runs WHERE computer = ?", {std::string("PC-JA")}),
            "shift_jis");
}

TEST_P(FleetStore, ReloadStoresNothingNewAndChangesAddRuns) {
  PcSpec pc;
  Put(pc);
  PcSpec other;
  other.computer = "PC-02";
  Put(other);
  EXPECT_EQ(Load().loaded, 2);
  const std::string facts = Scalar("SELECT COUNT(*) FROM facts");

  const LoadSummary again = Load();
  EXPECT_EQ(again.loaded, 0);
  EXPECT_EQ(again.unchanged, 2);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs"), "2");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM facts"), facts);

  // A new run of PC-01; PC-02's file disappears from the share.
  pc.date = "2026/12/02";
  pc.memory_mb = "16270";
  Put(pc);
  std::filesystem::remove(share_ + "/PC-02.tsv");
  const LoadSummary third = Load();
  EXPECT_EQ(third.loaded, 1);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs"), "3");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM latest_runs"), "2");  // PC-02 keeps its history
  const auto computers = ListComputers(*db_);
  ASSERT_EQ(computers.size(), 2u);
  EXPECT_EQ(computers[0].memory_mb, "16270");
  EXPECT_EQ(computers[0].run_date, "2026/12/02");
}

TEST_P(FleetStore, RejectedFilesStoreNothingAndTheOthersLoad) {
  PcSpec good;
  Put(good);
  PcSpec cut;
  cut.computer = "PC-CUT";
  std::string bytes = ResultBytes(cut);
  WriteFile(share_ + "/PC-CUT.tsv", bytes.substr(0, bytes.size() - 20));
  PcSpec mixed;
  mixed.computer = "PC-MIX";
  WriteFile(share_ + "/PC-MIX.tsv",
            ResultBytes(mixed) + "PC-OTHER\tSoft\tIE\tVersion\t11\t\t2026/12/01\r\n");
  WriteFile(share_ + "/empty.csv", "");
  WriteFile(share_ + "/PC-01.tsv.part", ResultBytes(good));
  WriteFile(share_ + "/notes.txt", "hello");

  const LoadSummary s = Load();
  EXPECT_EQ(s.loaded, 1);
  EXPECT_EQ(s.rejected, 3);
  EXPECT_EQ(s.skipped, 2);
  ASSERT_EQ(observer_.rejected.size(), 3u);
  EXPECT_NE(observer_.rejected[0].find("PC-CUT.tsv:"), std::string::npos);
  EXPECT_NE(observer_.rejected[0].find("truncated"), std::string::npos);
  EXPECT_NE(observer_.rejected[1].find("PC-MIX.tsv:19: row for another computer"),
            std::string::npos)
      << observer_.rejected[1];
  EXPECT_NE(observer_.rejected[2].find("empty.csv:0: empty file"), std::string::npos);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs"), "1");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM facts WHERE run_id NOT IN (SELECT run_id FROM runs)"),
            "0");
}

TEST_P(FleetStore, TextIsStoredAsWritten) {
  PcSpec pc;
  pc.csv = true;
  pc.apps = {{"Robert'); DROP TABLE runs;--", "1.0", "Quote \"Q\", Inc."},
             {"SELECT * FROM facts; 100% _done_", "2,0", "semi;colon"},
             {"Café ñ", "3.0", "Ünïcode"}};
  Put(pc);
  ASSERT_EQ(Load().loaded, 1) << ::testing::PrintToString(observer_.rejected);
  const auto software = ListSoftware(*db_, {});
  ASSERT_EQ(software.size(), 3u);
  EXPECT_EQ(software[0].name, "Café ñ");
  EXPECT_EQ(software[0].publisher, "Ünïcode");
  EXPECT_EQ(software[1].name, "Robert'); DROP TABLE runs;--");
  EXPECT_EQ(software[1].publisher, "Quote \"Q\", Inc.");
  EXPECT_EQ(software[2].name, "SELECT * FROM facts; 100% _done_");
  EXPECT_EQ(software[2].version, "2,0");
  // The wildcards of LIKE are plain characters in a name pattern.
  EXPECT_EQ(ListSoftware(*db_, {"100%"}).size(), 1u);
  EXPECT_EQ(ListSoftware(*db_, {"_done_"}).size(), 1u);
  EXPECT_EQ(ListSoftware(*db_, {"%"}).size(), 1u);
}

TEST_P(FleetStore, SoftwareCountsComputersAndFiltersByName) {
  const std::array<std::string, 3> office = {"Office 2019", "16.0", "Microsoft"};
  const std::array<std::string, 3> agent = {"Agent", "4.2", "Acme"};
  const std::array<std::string, 3> agent5 = {"Agent", "5.0", "Acme"};
  PcSpec a, b, c;
  a.computer = "PC-A";
  a.apps = {office, agent};
  b.computer = "PC-B";
  b.apps = {office, agent5};
  c.computer = "PC-C";
  c.japanese = true;
  c.apps = {office, agent};
  Put(a);
  Put(b);
  Put(c);
  ASSERT_EQ(Load().loaded, 3);
  struct Case {
    std::string pattern;
    std::vector<std::string> want;  // "name version count: computers"
  } cases[] = {
      {"", {"Agent 4.2 2: PC-A PC-C", "Agent 5.0 1: PC-B", "Office 2019 16.0 3: PC-A PC-B PC-C"}},
      {"agent", {"Agent 4.2 2: PC-A PC-C", "Agent 5.0 1: PC-B"}},
      {"OFF*", {"Office 2019 16.0 3: PC-A PC-B PC-C"}},
      {"Office 20??", {"Office 2019 16.0 3: PC-A PC-B PC-C"}},
      {"ffice", {"Office 2019 16.0 3: PC-A PC-B PC-C"}},
      {"ffice*", {}},
  };
  for (const Case& k : cases) {
    std::vector<std::string> got;
    for (const SoftwareEntry& e : ListSoftware(*db_, {k.pattern})) {
      std::string line = e.name + " " + e.version + " " + std::to_string(e.computer_count) + ":";
      for (const auto& name : e.computers) line += " " + name;
      got.push_back(line);
    }
    EXPECT_EQ(got, k.want) << "pattern " << k.pattern;
  }
}

TEST_P(FleetStore, ChangesBetweenConsecutiveRuns) {
  PcSpec pc;
  pc.apps = {{"Agent", "4.2", "Acme"}, {"Old Tool", "1.0", "Acme"}};
  Put(pc);
  ASSERT_EQ(Load().loaded, 1);
  pc.date = "2026/12/05";
  pc.memory_mb = "16270";
  pc.memory_free_mb = "9000";  // free memory differs every run: not a change
  pc.ip = "192.168.001.077";
  pc.apps = {{"Agent", "5.0", "Acme"}, {"New Tool", "2.0", "Acme"}};
  Put(pc);
  ASSERT_EQ(Load().loaded, 1);
  PcSpec other;
  other.computer = "PC-02";
  Put(other);
  ASSERT_EQ(Load().loaded, 1);

  std::vector<std::string> got;
  for (const FactChange& c : ListChanges(*db_, {})) {
    EXPECT_EQ(c.computer, "PC-01");
    EXPECT_EQ(c.from_date, "2026/12/01");
    EXPECT_EQ(c.to_date, "2026/12/05");
    got.push_back(c.change + " " + c.item + "/" + c.subitem + ": " + c.old_value + " -> " +
                  c.new_value);
  }
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{
                     "added Application/New Tool:  -> 2.0 Acme",
                     "changed Adapter/IPAddress: 192.168.001.010 -> 192.168.001.077",
                     "changed Application/Agent: 4.2 Acme -> 5.0 Acme",
                     "changed PhysicalMemory/Total: 8077 MB -> 16270 MB",
                     "removed Application/Old Tool: 1.0 Acme -> ",
                 }));
  EXPECT_EQ(ListChanges(*db_, {"PC-02", "", false}).size(), 0u);
  EXPECT_EQ(ListChanges(*db_, {"", "2026-12-06 00:00:00", false}).size(), 0u);
  EXPECT_EQ(ListChanges(*db_, {"PC-01", "2026-12-05 00:00:00", false}).size(), 5u);
  // With the changing figures: free memory and the drive's free space too.
  EXPECT_EQ(ListChanges(*db_, {"PC-01", "", true}).size(), 8u);
}

TEST_P(FleetStore, TwoLoadsAtOnceStoreEachRunOnce) {
  constexpr int kFiles = 24;
  PutComputers(kFiles, 0, 5);
  EnsureSchema(*db_);
  std::atomic<int> loaded{0}, unchanged{0};
  std::vector<std::thread> loaders;
  for (int t = 0; t < 2; ++t) {
    loaders.emplace_back([&] {
      auto db = OpenDatabase(target_);
      RecordingObserver observer;
      const LoadSummary s = LoadResultFiles(*db, {share_}, {}, observer);
      loaded += s.loaded;
      unchanged += s.unchanged;
    });
  }
  for (auto& t : loaders) t.join();
  EXPECT_EQ(loaded.load(), kFiles);
  EXPECT_EQ(unchanged.load(), kFiles);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs"), std::to_string(kFiles));
  EXPECT_EQ(Scalar("SELECT COUNT(DISTINCT computer) FROM runs"), std::to_string(kFiles));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs r WHERE row_count <> "
                   "(SELECT COUNT(*) FROM facts f WHERE f.run_id = r.run_id)"),
            "0");
}

TEST_P(FleetStore, LockedDatabaseFailsClearlyAndARerunCompletes) {
  PutComputers(3, 0, 0);
  EnsureSchema(*db_);
  auto holder = OpenDatabase(target_);
  holder->BeginWrite();
  if (!IsSqlite()) holder->Execute("LOCK TABLE runs IN EXCLUSIVE MODE");
  auto impatient = OpenDatabase(target_, OpenOptions{200});
  try {
    Load(*impatient);
    FAIL() << "the load did not notice the lock";
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.kind(), DatabaseError::Kind::kLocked) << e.what();
    EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos) << e.what();
  }
  holder->Rollback();
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs"), "0");
  EXPECT_EQ(Load(*impatient).loaded, 3);
}

// A run the database refuses in the middle of a share: the runs before it
// stay whole, the error reaches the caller, and a rerun stores the rest.
// With PostgreSQL several runs are in flight when the refusal comes back.
TEST_P(FleetStore, RefusedRunMidLoadKeepsWholeRunsAndARerunCompletes) {
  constexpr int kFiles = 60;
  PutComputers(kFiles, 20, 7, [](int i, PcSpec& pc) {
    if (i == 30) pc.user = "refused";
  });
  EnsureSchema(*db_);
  db_->Execute(IsSqlite()
                   ? "CREATE TRIGGER no_refused BEFORE INSERT ON facts"
                     " WHEN NEW.contents = 'refused' BEGIN SELECT RAISE(ABORT, 'no_refused'); END"
                   : "ALTER TABLE facts ADD CONSTRAINT no_refused CHECK (contents <> 'refused')");
  try {
    Load();
    FAIL() << "the refused run went unnoticed";
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.kind(), DatabaseError::Kind::kOther) << e.what();
    EXPECT_NE(std::string(e.what()).find("no_refused"), std::string::npos) << e.what();
  }
  const int stored = std::stoi(Scalar("SELECT COUNT(*) FROM runs"));
  EXPECT_GE(stored, 30);
  EXPECT_LT(stored, kFiles);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs WHERE computer = 'PC-130'"), "0");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs r WHERE row_count <> "
                   "(SELECT COUNT(*) FROM facts f WHERE f.run_id = r.run_id)"),
            "0");
  // The connection still serves ordinary statements after the failure.
  db_->Execute(IsSqlite() ? "DROP TRIGGER no_refused"
                          : "ALTER TABLE facts DROP CONSTRAINT no_refused");
  const LoadSummary rerun = Load();
  EXPECT_EQ(rerun.loaded, kFiles - stored);
  EXPECT_EQ(rerun.unchanged, stored);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs"), std::to_string(kFiles));
}

TEST_P(FleetStore, NewerSchemaIsRefused) {
  EnsureSchema(*db_);
  EXPECT_EQ(StoredSchemaVersion(*db_), kSchemaVersion);
  EnsureSchema(*db_);  // a second time changes nothing
  db_->Execute("UPDATE fleet_schema SET version = ?", {std::string("99")});
  EXPECT_THROW(EnsureSchema(*db_), DatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FleetStore, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, FleetStore, ::testing::Values("postgresql"));

TEST(FleetStoreSqlite, FullDiskLeavesNoHalfRunAndARerunCompletes) {
  TempDir dir;
  const std::string share = dir / "share";
  std::filesystem::create_directory(share);
  for (int i = 0; i < 40; ++i) {
    PcSpec pc;
    pc.computer = "PC-" + std::to_string(i);
    for (int a = 0; a < 30; ++a) pc.apps.push_back({"App " + std::to_string(a), "1.0", "Acme"});
    WriteFile(share + "/" + pc.computer + ".tsv", ResultBytes(pc));
  }
  auto db = OpenDatabase(dir / "fleet.sqlite");
  EnsureSchema(*db);
  // A disk with room for a few runs only.
  const int pages = std::stoi(*db->Query("PRAGMA page_count")[0][0]);
  db->Execute("PRAGMA max_page_count = " + std::to_string(pages + 12));
  RecordingObserver observer;
  try {
    LoadResultFiles(*db, {share}, {}, observer);
    FAIL() << "the load did not notice the full disk";
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.kind(), DatabaseError::Kind::kFull) << e.what();
  }
  auto count = [&](const char* sql) { return *db->Query(sql)[0][0]; };
  EXPECT_LT(std::stoi(count("SELECT COUNT(*) FROM runs")), 40);
  EXPECT_EQ(count("SELECT COUNT(*) FROM runs r WHERE row_count <> "
                  "(SELECT COUNT(*) FROM facts f WHERE f.run_id = r.run_id)"),
            "0");
  db->Execute("PRAGMA max_page_count = 1000000");
  const LoadSummary rerun = LoadResultFiles(*db, {share}, {}, observer);
  EXPECT_EQ(rerun.loaded + rerun.unchanged, 40);
  EXPECT_EQ(count("SELECT COUNT(*) FROM runs"), "40");
}

TEST(FleetStorePostgres, UnreachableServerIsAClearError) {
  try {
    OpenDatabase(UnreachablePostgresTarget());
    FAIL() << "connected to nothing";
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.kind(), DatabaseError::Kind::kUnreachable);
    EXPECT_NE(std::string(e.what()).find("cannot reach the PostgreSQL server"), std::string::npos);
  }
}

}  // namespace
}  // namespace norvale::fleet::testing
