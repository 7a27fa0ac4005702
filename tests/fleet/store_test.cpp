// The same suite runs against SQLite and against a real PostgreSQL server.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "fleet/common/timestamps.h"
#include "fleet/load/loader.h"
#include "fleet/query/queries.h"
#include "fleet/store/inventory.h"
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

// Every field of a run lands in its own column, whether the run is stored
// alone or queued behind others; unknown times are stored as null.
TEST_P(FleetStore, RunRecordFieldsLandInTheirColumns) {
  EnsureSchema(*db_);
  RunRecord known;
  known.computer = "PC-FIELDS";
  known.run_date = "2026/12/01";
  known.run_time = "9:00:00";
  known.run_at = "2026-12-01 09:00:00";
  known.norvale_version = "4.2.1";
  known.source_file = "/share/PC-FIELDS.tsv";
  known.file_sha256 = "ab12";
  known.file_mtime = "2026-12-01 09:00:05";
  known.loaded_at = "2026-12-02 10:00:00";
  known.row_count = 1;
  known.error_count = 7;
  known.encoding = "shift_jis";
  known.seen_at = "2026-12-01 09:00:01";
  known.clock_ahead = true;
  RunRecord unknown = known;
  unknown.file_sha256 = "cd34";
  unknown.run_at.clear();
  unknown.file_mtime.clear();
  unknown.clock_ahead = false;
  const std::vector<Fact> facts = {{1, "Computer", "Name", "", "PC-FIELDS", ""}};

  const auto stored = db_->StoreRunWithFacts(known, facts);
  ASSERT_TRUE(stored.has_value());
  EXPECT_FALSE(db_->StoreRunWithFacts(known, facts).has_value()) << "the same content twice";
  std::optional<std::int64_t> queued;
  db_->QueueRunWithFacts(unknown, facts,
                         [&queued](const Database::StoreOutcome& o) { queued = o.run_id; });
  db_->FinishQueuedRuns();
  ASSERT_TRUE(queued.has_value());

  const struct {
    const char* column;
    const char* known;
    const char* unknown;  // nullptr: stored as null
  } expected[] = {
      {"computer", "PC-FIELDS", "PC-FIELDS"},
      {"run_date", "2026/12/01", "2026/12/01"},
      {"run_time", "9:00:00", "9:00:00"},
      {"run_at", "2026-12-01 09:00:00", nullptr},
      {"norvale_version", "4.2.1", "4.2.1"},
      {"source_file", "/share/PC-FIELDS.tsv", "/share/PC-FIELDS.tsv"},
      {"file_sha256", "ab12", "cd34"},
      {"file_mtime", "2026-12-01 09:00:05", nullptr},
      {"loaded_at", "2026-12-02 10:00:00", "2026-12-02 10:00:00"},
      {"row_count", "1", "1"},
      {"error_count", "7", "7"},
      {"encoding", "shift_jis", "shift_jis"},
      {"seen_at", "2026-12-01 09:00:01", "2026-12-01 09:00:01"},
      {"clock_ahead", "1", "0"},
  };
  for (const auto& e : expected) {
    const std::string sql = std::string("SELECT ") + e.column + " FROM runs WHERE run_id = ?";
    const auto known_rows = db_->Query(sql, {std::to_string(*stored)});
    ASSERT_EQ(known_rows.size(), 1u);
    EXPECT_EQ(known_rows[0][0], std::optional<std::string>(e.known)) << e.column;
    const auto unknown_rows = db_->Query(sql, {std::to_string(*queued)});
    ASSERT_EQ(unknown_rows.size(), 1u);
    const auto want = e.unknown ? std::optional<std::string>(e.unknown) : std::nullopt;
    EXPECT_EQ(unknown_rows[0][0], want) << e.column;
  }
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

// A run the database refuses in the middle of a share is rejected alone,
// with the database's reason, and every other run is stored by the same load.
// With PostgreSQL several runs are in flight when the refusal comes back.
TEST_P(FleetStore, RefusedRunIsRejectedAloneAndTheLoadGoesOn) {
  constexpr int kFiles = 60;
  PutComputers(kFiles, 20, 7, [](int i, PcSpec& pc) {
    if (i == 30) pc.user = "refused";
  });
  EnsureSchema(*db_);
  db_->Execute(IsSqlite()
                   ? "CREATE TRIGGER no_refused BEFORE INSERT ON facts"
                     " WHEN NEW.contents = 'refused' BEGIN SELECT RAISE(ABORT, 'no_refused'); END"
                   : "ALTER TABLE facts ADD CONSTRAINT no_refused CHECK (contents <> 'refused')");
  const LoadSummary s = Load();
  EXPECT_EQ(s.loaded, kFiles - 1);
  EXPECT_EQ(s.rejected, 1);
  ASSERT_EQ(observer_.rejected.size(), 1u);
  EXPECT_NE(observer_.rejected[0].find("PC-130.tsv:0: refused by the database"), std::string::npos)
      << observer_.rejected[0];
  EXPECT_NE(observer_.rejected[0].find("no_refused"), std::string::npos) << observer_.rejected[0];
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs"), std::to_string(kFiles - 1));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs WHERE computer = 'PC-130'"), "0");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs r WHERE row_count <> "
                   "(SELECT COUNT(*) FROM facts f WHERE f.run_id = r.run_id)"),
            "0");
  // Once the database takes it, a rerun stores the refused file.
  db_->Execute(IsSqlite() ? "DROP TRIGGER no_refused"
                          : "ALTER TABLE facts DROP CONSTRAINT no_refused");
  const LoadSummary rerun = Load();
  EXPECT_EQ(rerun.loaded, 1);
  EXPECT_EQ(rerun.unchanged, kFiles - 1);
}

// Many runs of one computer, loaded in another order than their dates: the
// newest by date is chosen, ties go to the later load, and a run dated ahead
// of the clock is stored and named but never taken as the newest by its date.
TEST_P(FleetStore, NewestRunAmongManyRunsOfOneComputer) {
  constexpr int kRuns = 150;
  // Each file written when its header says, unless told otherwise.
  auto put_run = [&](const std::string& folder, PcSpec pc, std::string written = "") {
    std::filesystem::create_directories(share_ + "/" + folder);
    Put(pc, folder + "/" + pc.computer + ".tsv");
    if (written.empty()) written = NormaliseRunAt(pc.date, pc.time);
    SetFileTime(share_ + "/" + folder + "/" + pc.computer + ".tsv", written);
  };
  PcSpec pc;
  pc.computer = "PC-MANY";
  for (int i = 0; i < kRuns; ++i) {
    const int hours = i * 37 % kRuns;  // a permutation: the newest is not the last loaded
    pc.date = "2020/06/" + std::to_string(1 + hours / 24);
    pc.time = std::to_string(hours % 24) + ":00:00";
    pc.user = "user" + std::to_string(hours);
    put_run("r" + std::to_string(1000 + i), pc);
  }
  pc.date = "2020/06/07";
  pc.time = "5:00:00";  // the newest hour, 149, again: the later load wins
  pc.user = "tie";
  put_run("r2000", pc);
  // Written on 3 June by a PC whose clock said 2099: it counts as of 3 June.
  pc.date = "2099/12/31";
  pc.user = "future";
  put_run("r2001", pc, "2020-06-03 12:00:00");
  PcSpec only_future;
  only_future.computer = "PC-FUTURE";
  only_future.date = "2099/12/31";
  put_run("r2002", only_future, "2020-06-03 12:00:00");

  LoadOptions options;
  options.recursive = true;
  const LoadSummary s = Load(*db_, options);
  EXPECT_EQ(s.loaded, kRuns + 3) << ::testing::PrintToString(observer_.rejected);
  EXPECT_EQ(s.clock_ahead, 2);
  std::sort(observer_.clock_ahead.begin(), observer_.clock_ahead.end());
  EXPECT_EQ(observer_.clock_ahead, (std::vector<std::string>{"PC-FUTURE 2099-12-31 09:00:00",
                                                             "PC-MANY 2099-12-31 05:00:00"}));

  const auto computers = ListComputers(*db_);
  ASSERT_EQ(computers.size(), 2u);
  EXPECT_EQ(computers[0].computer, "PC-FUTURE");  // its only run is still its newest
  EXPECT_EQ(computers[0].clock_ahead, "2099/12/31 9:00:00");
  EXPECT_EQ(computers[1].computer, "PC-MANY");
  EXPECT_EQ(computers[1].user, "tie");
  EXPECT_EQ(computers[1].run_date, "2020/06/07");
  EXPECT_EQ(computers[1].clock_ahead, "2099/12/31 5:00:00");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM latest_runs"), "2");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM latest_facts WHERE computer = ? AND contents = ?",
                   {std::string("PC-MANY"), std::string("tie")}),
            "1");
  // The typed views choose the same runs: the run from the future is not
  // PC-MANY's newest there either, and counts as seen when its file was written.
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM latest_computers"), "2");
  EXPECT_EQ(Scalar("SELECT user_name FROM latest_computers WHERE computer = 'PC-MANY'"), "tie");
  EXPECT_EQ(Scalar("SELECT user_name FROM latest_lan WHERE computer = 'PC-MANY'"), "tie");
  EXPECT_EQ(Scalar("SELECT last_seen FROM latest_computers WHERE computer = 'PC-FUTURE'"),
            "2020-06-03 12:00:00");
  EXPECT_EQ(Scalar("SELECT clock_ahead FROM latest_computers WHERE computer = 'PC-MANY'"),
            "2099-12-31 05:00:00");
  // The newest run is chosen without comparing the runs of a computer pairwise.
  std::string plan;
  for (const Row& row : db_->Query(std::string(IsSqlite() ? "EXPLAIN QUERY PLAN " : "EXPLAIN ") +
                                   "SELECT * FROM latest_runs")) {
    for (const auto& cell : row) plan += cell.value_or("") + " ";
    plan += "\n";
  }
  for (const char* pairwise : {"CORRELATED", "Anti Join", "SubPlan"}) {
    EXPECT_EQ(plan.find(pairwise), std::string::npos) << plan;
  }
  if (IsSqlite()) {  // a computer named in any case is found without reading every run
    plan.clear();
    for (const Row& row : db_->Query("EXPLAIN QUERY PLAN SELECT run_id FROM runs"
                                     " WHERE UPPER(computer) = UPPER('pc-many')")) {
      for (const auto& cell : row) plan += cell.value_or("") + " ";
    }
    EXPECT_NE(plan.find("runs_by_computer_any_case"), std::string::npos) << plan;
  }
  // A later real run replaces the newest; the run from the future stays named.
  pc.date = "2020/07/01";
  pc.user = "july";
  put_run("r3000", pc);
  EXPECT_EQ(Load(*db_, options).loaded, 1);
  EXPECT_EQ(ListComputers(*db_)[1].user, "july");
  EXPECT_EQ(ListComputers(*db_)[1].clock_ahead, "2099/12/31 5:00:00");
}

// A database written before runs had seen_at and clock_ahead gains them in
// place, filled by the same rule the loader applies, and keeps every run.
TEST_P(FleetStore, FirstLayoutOfVersionOneIsUpgradedInPlace) {
  const std::string id =
      IsSqlite() ? "INTEGER PRIMARY KEY" : "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
  for (const std::string& sql : {
           std::string("CREATE TABLE fleet_schema (version INTEGER NOT NULL)"),
           "CREATE TABLE runs (run_id " + id +
               ", computer TEXT NOT NULL, run_date TEXT NOT NULL, run_time TEXT NOT NULL,"
               " run_at TEXT, norvale_version TEXT NOT NULL, source_file TEXT NOT NULL,"
               " file_sha256 TEXT NOT NULL, file_mtime TEXT, loaded_at TEXT NOT NULL,"
               " row_count INTEGER NOT NULL, error_count INTEGER NOT NULL,"
               " encoding TEXT NOT NULL, UNIQUE (file_sha256, computer))",
           std::string("CREATE INDEX runs_by_computer ON runs (computer, run_at)"),
           std::string("CREATE TABLE facts (run_id BIGINT NOT NULL, line INTEGER NOT NULL,"
                       " category TEXT NOT NULL, item TEXT NOT NULL, subitem TEXT NOT NULL,"
                       " contents TEXT NOT NULL, unit TEXT NOT NULL, PRIMARY KEY (run_id, line))"),
           std::string("CREATE VIEW latest_runs AS SELECT r.* FROM runs r WHERE NOT EXISTS ("
                       " SELECT 1 FROM runs n WHERE n.computer = r.computer AND ("
                       " COALESCE(n.run_at, n.loaded_at) > COALESCE(r.run_at, r.loaded_at) OR"
                       " (COALESCE(n.run_at, n.loaded_at) = COALESCE(r.run_at, r.loaded_at)"
                       " AND n.run_id > r.run_id)))"),
           std::string("CREATE VIEW latest_facts AS SELECT r.computer, f.run_id, f.line,"
                       " f.category, f.item, f.subitem, f.contents, f.unit"
                       " FROM latest_runs r JOIN facts f ON f.run_id = r.run_id"),
           std::string("INSERT INTO fleet_schema (version) VALUES (1)"),
       }) {
    db_->Execute(sql);
  }
  struct OldRun {
    const char* computer;
    const char* run_at;  // null: a date format not recognised
    const char* file_mtime;
    const char* loaded_at;
    const char* want_seen_at;
    const char* want_clock_ahead;
  } old_runs[] = {
      {"PC-01", "2026-01-01 09:00:00", "2026-01-01 08:00:00", "2026-01-02 10:00:00",
       "2026-01-01 09:00:00", "0"},
      // A day and a second past the later of load and file time: ahead.
      {"PC-01", "2026-01-05 10:00:01", "2026-01-04 10:00:00", "2026-01-02 10:00:00",
       "2026-01-02 10:00:00", "1"},
      // Exactly a day past: within the room for time zones.
      {"PC-01", "2026-01-03 10:00:00", nullptr, "2026-01-02 10:00:00", "2026-01-03 10:00:00", "0"},
      {"PC-02", nullptr, nullptr, "2026-01-03 10:00:00", "2026-01-03 10:00:00", "0"},
      // Without a date: the file's time, unless it lies after the load.
      {"PC-04", nullptr, "2026-01-03 08:00:00", "2026-01-03 10:00:00", "2026-01-03 08:00:00", "0"},
      {"PC-05", nullptr, "2026-01-04 08:00:00", "2026-01-03 10:00:00", "2026-01-03 10:00:00", "0"},
  };
  int n = 0;
  for (const OldRun& r : old_runs) {
    auto param = [](const char* text) { return text ? Param(text) : Param(); };
    db_->Execute(
        "INSERT INTO runs (computer, run_date, run_time, run_at, norvale_version, source_file,"
        " file_sha256, file_mtime, loaded_at, row_count, error_count, encoding)"
        " VALUES (?, 'd', 't', ?, '1.3.3', 'f', ?, ?, ?, 1, 0, 'utf-8')",
        {std::string(r.computer), param(r.run_at), "sha" + std::to_string(n++), param(r.file_mtime),
         std::string(r.loaded_at)});
  }
  const SchemaChange change = EnsureSchema(*db_);
  EXPECT_EQ(change.from, 1);
  EXPECT_EQ(change.runs, 6);
  EXPECT_EQ(StoredSchemaVersion(*db_), 2);
  n = 0;
  for (const OldRun& r : old_runs) {
    const auto rows = db_->Query("SELECT seen_at, clock_ahead FROM runs WHERE file_sha256 = ?",
                                 {"sha" + std::to_string(n++)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].value_or("null"), r.want_seen_at) << n;
    EXPECT_EQ(rows[0][1].value_or("null"), r.want_clock_ahead) << n;
  }
  const auto latest = db_->Query("SELECT computer, run_at FROM latest_runs ORDER BY computer");
  ASSERT_EQ(latest.size(), 4u);
  EXPECT_EQ(latest[0][1].value_or(""), "2026-01-03 10:00:00");
  // The typed views are built on the same choice: PC-01's run dated ahead of
  // the clock is not its newest.
  EXPECT_EQ(Scalar("SELECT last_seen FROM latest_computers WHERE computer = 'PC-01'"),
            "2026-01-03 10:00:00");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM latest_computers"), "4");
  EXPECT_EQ(Scalar("SELECT clock_ahead FROM latest_computers WHERE computer = 'PC-01'"),
            "2026-01-05 10:00:01");
  // The upgraded database loads like a new one.
  PcSpec next;
  next.computer = "PC-03";
  Put(next);
  EXPECT_EQ(Load().loaded, 1);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM latest_runs"), "5");
}

// Every typed table, read back through its latest_* view as text.
std::vector<std::string> TypedDump(Database& db) {
  std::vector<std::string> out;
  for (const InventoryTable& table : InventoryTables()) {
    std::string columns = "computer";
    for (const InventoryColumn& column : table.columns) columns += std::string(", ") + column.name;
    for (const Row& row :
         db.Query("SELECT " + columns + " FROM latest_" + table.name + " ORDER BY " + columns)) {
      std::string line = table.name;
      for (const auto& cell : row) line += "|" + cell.value_or("NULL");
      out.push_back(line);
    }
  }
  return out;
}

TEST_P(FleetStore, TypedTablesAreTheSameForEnglishAndJapaneseFiles) {
  for (const bool japanese : {false, true}) {
    PcSpec pc;
    pc.computer = japanese ? "PC-JA" : "PC-EN";
    pc.japanese = japanese;
    pc.csv = japanese;
    pc.every_kind = true;
    pc.apps = {{"Agent", "5.0", "Acme"}};
    Put(pc);
  }
  ASSERT_EQ(Load().loaded, 2) << ::testing::PrintToString(observer_.rejected);
  std::vector<std::string> en, ja;
  for (std::string line : TypedDump(*db_)) {
    const bool is_ja = line.find("|PC-JA|") != std::string::npos;
    line.replace(line.find("|PC-"), 6, "|PC");
    (is_ja ? ja : en).push_back(line);
  }
  EXPECT_EQ(en.size(), 22u);
  EXPECT_EQ(en, ja);
  // Numbers are numbers to the database: they compare and add up as such.
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM latest_computers WHERE memory_mb < 8192"
                   " AND disk_free_pct > 40 AND disk_total_gb > 200"),
            "2");
  EXPECT_EQ(Scalar("SELECT SUM(capacity_mb) FROM latest_memory_modules"),
            IsSqlite() ? "16384.0" : "16384");
  EXPECT_EQ(Scalar("SELECT ip FROM latest_computers WHERE computer = 'PC-JA'"), "192.168.1.10");
}

TEST_P(FleetStore, SchemaOneIsUpgradedInPlaceWithTheTypedTablesRebuilt) {
  PutComputers(6, 3, 2, [](int, PcSpec& pc) { pc.every_kind = true; });
  ASSERT_EQ(Load().loaded, 6);
  const std::vector<std::string> typed = TypedDump(*db_);
  const std::string facts = Scalar("SELECT COUNT(*) FROM facts");
  // What a release of schema 1 left: runs and facts, no typed tables.
  db_->Execute("DROP VIEW latest_computers");
  for (const InventoryTable& table : InventoryTables()) {
    db_->Execute(std::string("DROP VIEW latest_") + table.name);
    db_->Execute(std::string("DROP TABLE ") + table.name);
  }
  db_->Execute("UPDATE fleet_schema SET version = 1");
  db_.reset();
  db_ = OpenDatabase(target_);

  const SchemaChange change = EnsureSchema(*db_);
  EXPECT_EQ(change.from, 1);
  EXPECT_EQ(change.to, 2);
  EXPECT_EQ(change.runs, 6);
  EXPECT_EQ(StoredSchemaVersion(*db_), 2);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM facts"), facts);
  EXPECT_EQ(TypedDump(*db_), typed);
  const SchemaChange again = EnsureSchema(*db_);
  EXPECT_EQ(again.from, again.to);
  EXPECT_EQ(again.runs, 0);
}

TEST_P(FleetStore, FailedUpgradeLeavesSchemaOneAsItWas) {
  PutComputers(3, 1, 0);
  ASSERT_EQ(Load().loaded, 3);
  db_->Execute("DROP VIEW latest_computers");
  for (const InventoryTable& table : InventoryTables()) {
    db_->Execute(std::string("DROP VIEW latest_") + table.name);
    db_->Execute(std::string("DROP TABLE ") + table.name);
  }
  db_->Execute("UPDATE fleet_schema SET version = 1");
  // Something in the way of the upgrade: a view named like one of its tables.
  db_->Execute("CREATE VIEW latest_lan AS SELECT 1 AS x");
  EXPECT_THROW(EnsureSchema(*db_), DatabaseError);
  EXPECT_EQ(StoredSchemaVersion(*db_), 1);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM runs"), "3");
  db_->Execute("DROP VIEW latest_lan");
  EXPECT_EQ(EnsureSchema(*db_).runs, 3);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM latest_lan"), "3");
}

TEST_P(FleetStore, NewerSchemaIsRefused) {
  EnsureSchema(*db_);
  EXPECT_EQ(StoredSchemaVersion(*db_), kSchemaVersion);
  EnsureSchema(*db_);  // a second time changes nothing
  db_->Execute("UPDATE fleet_schema SET version = ?", {std::string("99")});
  EXPECT_THROW(EnsureSchema(*db_), DatabaseError);
}

// The SQL each engine writes where their dialects differ, run by the engine.
TEST_P(FleetStore, DialectExpressionsAgreeOnBothEngines) {
  EnsureSchema(*db_);
  EXPECT_TRUE(db_->HasTable("runs"));
  EXPECT_FALSE(db_->HasTable("no_such_table"));
  EXPECT_FALSE(db_->HasTable("latest_runs")) << "a view is no table";
  EXPECT_TRUE(db_->HasColumn("runs", "seen_at"));
  EXPECT_FALSE(db_->HasColumn("runs", "no_such_column"));
  EXPECT_FALSE(db_->HasColumn("facts", "seen_at"));

  const struct {
    const char* loaded_at;
    const char* file_mtime;  // nullptr: unknown
    const char* day_after;
  } times[] = {
      {"2026-12-01 10:00:00", nullptr, "2026-12-02 10:00:00"},
      {"2026-12-01 10:00:00", "2026-12-03 08:00:00", "2026-12-04 08:00:00"},
      {"2026-12-03 08:00:00", "2026-12-01 10:00:00", "2026-12-04 08:00:00"},
      {"2026-12-31 23:30:00", "2026-01-01 00:00:00", "2027-01-01 23:30:00"},
      {"2028-02-28 12:00:00", nullptr, "2028-02-29 12:00:00"},
  };
  const std::string day_after =
      "SELECT " + db_->OneDayLater(db_->LaterOf("loaded_at", "file_mtime")) +
      " FROM (SELECT CAST(? AS TEXT) AS loaded_at, CAST(? AS TEXT) AS file_mtime) t";
  for (const auto& t : times) {
    const Param mtime = t.file_mtime ? Param(t.file_mtime) : Param();
    EXPECT_EQ(Scalar(day_after, {std::string(t.loaded_at), mtime}), t.day_after)
        << t.loaded_at << " / " << (t.file_mtime ? t.file_mtime : "null");
  }

  const struct {
    const char* text;
    const char* pattern;
    const char* matches;
  } likes[] = {
      {"Acme Office 2019", "%OFFICE%", "1"}, {"acme", "ACME", "1"},        {"Acme", "Acne", "0"},
      {"100% done", "100\\%%", "1"},         {"100 done", "100\\%%", "0"},
  };
  const std::string like = "SELECT COUNT(*) FROM (SELECT CAST(? AS TEXT) AS name) t WHERE name " +
                           std::string(db_->AnyCaseLike()) + " ? ESCAPE '\\'";
  for (const auto& l : likes) {
    EXPECT_EQ(Scalar(like, {std::string(l.text), std::string(l.pattern)}), l.matches)
        << l.text << " ~ " << l.pattern;
  }
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

// Only a UTF8 database holds every character of a share; the refusal says
// how to make one.
TEST(FleetStorePostgres, DatabaseOtherThanUtf8IsRefused) {
  for (const char* encoding : {"LATIN1", "EUC_JP", "SQL_ASCII"}) {
    const std::string target = FreshPostgresDatabase(encoding);
    ASSERT_FALSE(target.empty());
    try {
      OpenDatabase(target);
      ADD_FAILURE() << "opened a " << encoding << " database";
    } catch (const DatabaseError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(std::string("has the encoding ") + encoding), std::string::npos)
          << message;
      EXPECT_NE(message.find("createdb --encoding=UTF8 --template=template0"), std::string::npos)
          << message;
    }
  }
}

// Whatever client encoding the URI or the environment asks for, text travels
// as UTF-8 and is stored as written.
TEST(FleetStorePostgres, TextTravelsAsUtf8WhateverTheClientAsks) {
  TempDir dir;
  PcSpec ja;
  ja.computer = "PC-JA";
  ja.japanese = true;
  ja.user = "山田";
  WriteFile(dir / "PC-JA.tsv", ResultBytes(ja));
  PcSpec western;
  western.apps = {{"Café ñ", "1.0", "Ünïcode"}};
  WriteFile(dir / "PC-01.tsv", ResultBytes(western));
  const std::string target = FreshPostgresTarget();
  ASSERT_FALSE(target.empty());
  auto latin1 = OpenDatabase(target + "&client_encoding=LATIN1");
  RecordingObserver observer;
  EXPECT_EQ(LoadResultFiles(*latin1, {dir.path()}, {}, observer).loaded, 2)
      << ::testing::PrintToString(observer.rejected);
  auto db = OpenDatabase(target);
  const auto computers = ListComputers(*db);
  ASSERT_EQ(computers.size(), 2u);
  EXPECT_EQ(computers[1].user, "山田");
  const auto software = ListSoftware(*latin1, {});
  ASSERT_EQ(software.size(), 1u);
  EXPECT_EQ(software[0].name, "Café ñ");
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
