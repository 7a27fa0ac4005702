// Queued runs on both engines: an outcome is told only once its run is
// committed, a refused run or the one in hand at a stop is undone alone, and
// a load tells what it met in file order whenever the outcomes come.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "fleet/store/schema.h"
#include "tests/fleet/store_fixture.h"

namespace norvale::fleet::testing {
namespace {

class FleetQueuedRuns : public FleetStore {
 protected:
  // Files whose facts hold this text are refused by the database.
  static constexpr char kRefusedText[] = "refused";

  void RefuseMarkedRuns(Database& db) {
    db.Execute(IsSqlite() ? "CREATE TRIGGER no_refused BEFORE INSERT ON facts"
                            " WHEN NEW.contents = 'refused' BEGIN SELECT RAISE(ABORT, "
                            "'no_refused'); END"
                          : "ALTER TABLE facts ADD CONSTRAINT no_refused CHECK (contents <> "
                            "'refused')");
  }
  void TakeMarkedRuns(Database& db) {
    db.Execute(IsSqlite() ? "DROP TRIGGER no_refused"
                          : "ALTER TABLE facts DROP CONSTRAINT no_refused");
  }
  // Another empty database of the engine, its schema made.
  std::string FreshTarget(const std::string& name) {
    const std::string target = IsSqlite() ? dir_ / (name + ".sqlite") : FreshPostgresTarget();
    auto db = OpenDatabase(target);
    EnsureSchema(*db);
    RefuseMarkedRuns(*db);
    return target;
  }

  static std::string Computer(int i) { return "PC-" + std::to_string(100 + i); }

  static RunRecord RunOf(int i) {
    return {.computer = Computer(i),
            .run_date = "2026/12/01",
            .run_time = "9:00:00",
            .run_at = "2026-12-01 09:00:00",
            .norvale_version = "4.2.1",
            .source_file = "/share/" + Computer(i) + ".tsv",
            .file_sha256 = "hash-" + std::to_string(i),
            .file_mtime = "2026-12-01 09:00:05",
            .loaded_at = "2026-12-02 10:00:00",
            .row_count = 3,
            .error_count = 0,
            .encoding = "windows-1252",
            .seen_at = "2026-12-01 09:00:00",
            .clock_ahead = false};
  }
  // Several facts, so that a run's store asks the stop check more than once.
  static std::vector<Fact> FactsOf(int i, bool refused) {
    return {{1, "Computer", "Name", "", Computer(i), ""},
            {2, "Computer", "User", "", refused ? kRefusedText : "taro", ""},
            {3, "Soft", "Agent", "Version", "4.2", ""}};
  }
};

TEST_P(FleetQueuedRuns, OutcomesAreToldOnceCommittedAndOnlyTheRunInHandIsUndone) {
  constexpr int kRuns = 10;
  struct Case {
    const char* what;
    int refused;  // -1: none
    int stop;     // the run in hand when the stop comes; -1: none
  };
  const Case cases[] = {
      {"a refusal in the middle of a group", 4, -1},
      {"a stop in the middle of a group", -1, 5},
      {"a stop at the first run of a group", -1, 3},
      {"a stop at the first run", -1, 0},
      {"a refusal, then a stop in the same group", 3, 6},
  };
  std::unique_ptr<Database> db, reader;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string target = FreshTarget(std::to_string(&c - cases));
    ASSERT_FALSE(target.empty());
    db = OpenDatabase(target);
    reader = OpenDatabase(target);
    // Each outcome with what another connection saw of its run then.
    std::vector<std::string> told;
    auto tell = [&](int i) {
      return [&, i](const Database::StoreOutcome& o) {
        const std::string seen =
            *reader->Query("SELECT COUNT(*) FROM runs WHERE computer = ?", {Computer(i)})[0][0];
        const char* what = o.rolled_back        ? "rolled back"
                           : !o.refused.empty() ? "refused"
                           : o.run_id           ? "stored"
                                                : "unchanged";
        told.push_back(Computer(i) + " " + what + ", seen " + seen);
      };
    };
    // Pressed while the run is in hand: SQLite asks as it stores the run's
    // rows, PostgreSQL before it sends the run's commit, with the next run.
    int queuing = -1, queued = -1;
    db->SetStopCheck(
        [&] { return c.stop >= 0 && (IsSqlite() ? queuing == c.stop : queued >= c.stop); });
    bool stopped = false;
    try {
      for (queuing = 0; queuing < kRuns; ++queuing) {
        db->QueueRunWithFacts(RunOf(queuing), FactsOf(queuing, queuing == c.refused),
                              tell(queuing));
        queued = queuing;
      }
      db->FinishQueuedRuns();
    } catch (const RunRolledBack&) {
      stopped = true;
    }
    db->SetStopCheck(nullptr);
    EXPECT_EQ(stopped, c.stop >= 0);

    std::vector<std::string> expected;
    std::vector<Row> stored;
    for (int i = 0; i < (c.stop >= 0 ? c.stop + 1 : kRuns); ++i) {
      const bool kept = i != c.refused && i != c.stop;
      expected.push_back(Computer(i) +
                         (i == c.stop      ? " rolled back"
                          : i == c.refused ? " refused"
                                           : " stored") +
                         ", seen " + (kept ? "1" : "0"));
      if (kept) stored.push_back({Computer(i)});
    }
    EXPECT_EQ(told, expected);
    EXPECT_EQ(reader->Query("SELECT computer FROM runs ORDER BY computer"), stored);
    ExpectOnlyWholeRuns(*reader);
  }
  // The same connection goes on after the last case: the runs it left out
  // (the refused one, the one in hand and those after it) are stored now.
  TakeMarkedRuns(*db);
  std::vector<std::string> told;
  for (int i = 0; i < kRuns; ++i) {
    db->QueueRunWithFacts(RunOf(i), FactsOf(i, false), [&told](const Database::StoreOutcome& o) {
      told.push_back(o.run_id ? "stored" : "unchanged");
    });
  }
  db->FinishQueuedRuns();
  EXPECT_EQ(told,
            (std::vector<std::string>{"unchanged", "unchanged", "unchanged", "stored", "unchanged",
                                      "unchanged", "stored", "stored", "stored", "stored"}));
  EXPECT_EQ(reader->Query("SELECT COUNT(*) FROM runs"), (std::vector<Row>{{"10"}}));
}

// What a load meets is told in file order, although the database answers
// for a queued run later than the look-ahead rejects the files after it.
TEST_P(FleetQueuedRuns, LoadTellsRejectionsAndClockAheadRunsInFileOrder) {
  constexpr int kFiles = 24;
  std::vector<std::string> expected;
  for (int i = 0; i < kFiles; ++i) {
    PcSpec pc;
    pc.computer = Computer(i);
    const std::string file = share_ + kPathSeparator + pc.computer + ".tsv";
    switch (i % 4) {
      case 1:
        pc.date = "2099/01/01";
        expected.push_back("clock ahead " + pc.computer);
        break;
      case 2:
        WriteFile(file, "not a result file\r\n");
        expected.push_back("rejected " + file + ":1");
        continue;
      case 3:
        pc.user = kRefusedText;
        expected.push_back("rejected " + file + ":0");
        break;
    }
    Put(pc);
  }
  EnsureSchema(*db_);
  RefuseMarkedRuns(*db_);
  struct InOrder : LoadObserver {
    std::vector<std::string> told;
    // A slow writer: the look-ahead keeps files waiting, so the writer never
    // idles long enough to have the queued runs answered early.
    void Progress(int, int, std::int64_t, const std::string&) override {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    void Skipped(const std::string& path, const std::string&) override {
      told.push_back("skipped " + path);
    }
    void Rejected(const std::string& path, int line, const std::string&) override {
      told.push_back("rejected " + path + ":" + std::to_string(line));
    }
    void ClockAhead(const std::string&, const std::string& computer, const std::string&) override {
      told.push_back("clock ahead " + computer);
    }
  } observer;
  const LoadSummary summary = LoadResultFiles(*db_, {share_}, {}, observer);
  EXPECT_EQ(summary.loaded, kFiles / 2);
  EXPECT_EQ(summary.rejected, kFiles / 2);
  EXPECT_EQ(summary.clock_ahead, kFiles / 4);
  EXPECT_EQ(observer.told, expected);
}

// PostgreSQL plans the change list's join for empty tables until they are
// analysed: a load that stored runs leaves the tables counted.
TEST_P(FleetQueuedRuns, LoadLeavesThePlannerTheTablesItFilled) {
  if (IsSqlite()) GTEST_SKIP() << "PostgreSQL's planner only";
  for (int i = 0; i < 3; ++i) {
    PcSpec pc;
    pc.computer = Computer(i);
    Put(pc);
  }
  RecordingObserver observer;
  ASSERT_EQ(LoadResultFiles(*db_, {share_}, {}, observer).loaded, 3);
  // Never analysed: -1. Analysed: the rows counted.
  const auto counted = db_->Query(
      "SELECT relname, reltuples::BIGINT FROM pg_class"
      " WHERE oid IN ('runs'::regclass, 'run_fact_groups'::regclass, 'facts'::regclass)"
      " ORDER BY relname");
  ASSERT_EQ(counted.size(), 3u);
  EXPECT_EQ(counted[0][0], std::optional<std::string>("facts"));
  EXPECT_GT(std::stoll(counted[0][1].value_or("-1")), 0);
  EXPECT_EQ(counted[1][0], std::optional<std::string>("run_fact_groups"));
  EXPECT_GT(std::stoll(counted[1][1].value_or("-1")), 0);
  EXPECT_EQ(counted[2][0], std::optional<std::string>("runs"));
  EXPECT_EQ(counted[2][1], std::optional<std::string>("3"));
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FleetQueuedRuns, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, FleetQueuedRuns, ::testing::Values("postgresql"));

}  // namespace
}  // namespace norvale::fleet::testing
