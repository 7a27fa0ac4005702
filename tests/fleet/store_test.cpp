// Runs and their facts, stored by both engines: what a load stores, refuses
// and leaves alone, and the answers read straight from the facts.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "fleet/common/timestamps.h"
#include "fleet/load/loader.h"
#include "fleet/query/queries.h"
#include "fleet/store/inventory.h"
#include "fleet/store/schema.h"
#include "tests/fleet/fleet_world.h"
#include "tests/fleet/postgres_server.h"
#include "tests/fleet/store_fixture.h"

namespace norvale::fleet::testing {
namespace {

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
  const RunRecord known{.computer = "PC-FIELDS",
                        .run_date = "2026/12/01",
                        .run_time = "9:00:00",
                        .run_at = "2026-12-01 09:00:00",
                        .norvale_version = "4.2.1",
                        .source_file = "/share/PC-FIELDS.tsv",
                        .file_sha256 = "ab12",
                        .file_mtime = "2026-12-01 09:00:05",
                        .loaded_at = "2026-12-02 10:00:00",
                        .row_count = 1,
                        .error_count = 7,
                        .encoding = "shift_jis",
                        .seen_at = "2026-12-01 09:00:01",
                        .clock_ahead = true};
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
