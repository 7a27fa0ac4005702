// Each computer's newest run, chosen by date on both engines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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

class FleetNewestRuns : public FleetStore {};

// Many runs of one computer, loaded in another order than their dates: the
// newest by date is chosen, ties go to the later load, and a run dated ahead
// of the clock is stored and named but never taken as the newest by its date.
TEST_P(FleetNewestRuns, NewestRunAmongManyRunsOfOneComputer) {
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

INSTANTIATE_TEST_SUITE_P(Sqlite, FleetNewestRuns, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, FleetNewestRuns, ::testing::Values("postgresql"));

}  // namespace
}  // namespace norvale::fleet::testing
