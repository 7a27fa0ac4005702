// Ctrl+C while a load stores a file: that file's transaction is rolled back
// and the files before it stay whole, on SQLite and on PostgreSQL's pipeline.
#include "fleet/system/interrupt.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "fleet/cli.h"
#include "fleet/command_table.h"
#include "fleet/load/loader.h"
#include "fleet/store/inventory.h"
#include "fleet/system/files.h"
#include "tests/fleet/fleet_world.h"
#include "tests/fleet/postgres_server.h"
#include "tests/fleet/store_fixture.h"

namespace norvale::fleet::testing {
namespace {

constexpr int kFiles = 5;  // PC-100 ... PC-104

// Stands in for Ctrl+C pressed while `file` is stored: from the second time
// the load asks once it has begun that file (the first ask may come before
// any of its rows went out), and held from then on.
class CtrlCDuringFile : public RecordingObserver {
 public:
  explicit CtrlCDuringFile(std::string file) : file_(std::move(file)) {}
  void Progress(int, int, std::int64_t, const std::string& path) override {
    if (asks_ < 0 && FileNameOf(path) == file_) asks_ = 0;
  }
  bool Pressed() { return asks_ >= 0 && ++asks_ >= 2; }

 private:
  std::string file_;
  int asks_ = -1;
};

class CtrlCWhileStoring : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    for (int i = 0; i < kFiles; ++i) {
      PcSpec pc;
      pc.computer = Computer(i);
      pc.japanese = i % 2 == 1;
      // Rows enough that storing one takes several statements.
      for (int a = 0; a < 40; ++a) pc.apps.push_back({"App " + std::to_string(a), "1.0", "Acme"});
      WriteFile(share_ / (pc.computer + ".tsv"), ResultBytes(pc));
    }
  }

  static std::string Computer(int i) { return "PC-" + std::to_string(100 + i); }

  std::string FreshTarget(const std::string& name) {
    return GetParam() == "sqlite" ? dir_ / (name + ".sqlite") : FreshPostgresTarget();
  }

  // The first `count` computers, as the runs table lists them.
  static std::vector<Row> FirstComputers(int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) rows.push_back({Computer(i)});
    return rows;
  }

  TempDir dir_, share_;
};

TEST_P(CtrlCWhileStoring, RollsBackTheFileInHandAndKeepsTheOnesBefore) {
  struct Case {
    int file;  // the one being stored when Ctrl+C comes
  };
  for (const Case c : {Case{0}, Case{2}, Case{kFiles - 1}}) {
    SCOPED_TRACE(Computer(c.file));
    const std::string target = FreshTarget(Computer(c.file));
    ASSERT_FALSE(target.empty());
    auto db = OpenDatabase(target);
    CtrlCDuringFile ctrl_c(Computer(c.file) + ".tsv");
    LoadOptions options;
    options.stop_requested = [&ctrl_c] { return ctrl_c.Pressed(); };
    try {
      LoadResultFiles(*db, {share_.path()}, options, ctrl_c);
      ADD_FAILURE() << "the load did not stop";
    } catch (const LoadInterrupted& stop) {
      EXPECT_EQ(stop.next_path, share_ / (Computer(c.file) + ".tsv"));
      EXPECT_TRUE(stop.rolled_back);
      EXPECT_EQ(stop.summary.loaded, c.file);
    }
    EXPECT_EQ(db->Query("SELECT computer FROM runs ORDER BY computer"), FirstComputers(c.file));
    ExpectOnlyWholeRuns(*db);
    // The same connection goes on: a rerun stores the rest.
    options.stop_requested = nullptr;
    const LoadSummary rerun = LoadResultFiles(*db, {share_.path()}, options, ctrl_c);
    EXPECT_EQ(rerun.loaded, kFiles - c.file);
    EXPECT_EQ(rerun.unchanged, c.file);
    EXPECT_EQ(db->Query("SELECT computer FROM runs ORDER BY computer"), FirstComputers(kFiles));
    ExpectOnlyWholeRuns(*db);
  }
}

// The command says which file was rolled back and how many were loaded
// before it, in agreement with the database, and ends with Ctrl+C's code.
TEST_P(CtrlCWhileStoring, LoadCommandNamesTheRolledBackFile) {
  const std::string target = FreshTarget("cli");
  ASSERT_FALSE(target.empty());
  // More files than PostgreSQL's pipeline lets wait for their answers, so
  // that two are committed long before the last is sent.
  TempDir share;
  for (int i = 0; i < 30; ++i) {
    PcSpec pc;
    pc.computer = Computer(i);
    WriteFile(share / (pc.computer + ".tsv"), ResultBytes(pc));
  }
  std::ostringstream out, err;
  CommandIo io{out, err, false};
  // Pressed once two files are committed, as another program sees them:
  // from the second ask after that, so that a file's rows are on their way.
  // Which file that is depends on the engine (and on PostgreSQL's timing).
  auto observer = OpenDatabase(target);
  int asks = 0;
  io.stop_requested = [&] {
    if (asks == 0 && std::stoi(*observer->Query("SELECT COUNT(*) FROM runs")[0][0]) < 2) {
      return false;
    }
    return ++asks >= 2;
  };
  EXPECT_EQ(RunCommandLine(FleetCommands(), {"load", share.path(), "--db", target}, io),
            kExitInterrupted);
  std::smatch said;
  const std::string text = err.str();
  ASSERT_TRUE(std::regex_search(
      text, said,
      std::regex("^interrupted: (.*(PC-1[0-9][0-9])\\.tsv) was rolled back and the files after "
                 "it were not stored; files loaded before it: ([0-9]+), each whole; a rerun "
                 "loads the rest\n")))
      << text;
  EXPECT_EQ(said[1].str().rfind(share.path(), 0), 0u) << said[1];
  const int before = std::stoi(said[3]);
  EXPECT_GE(before, 2);
  EXPECT_EQ(said[2].str(), Computer(before));
  EXPECT_NE(out.str().find("loaded " + std::to_string(before) + ","), std::string::npos)
      << out.str();
  auto db = OpenDatabase(target);
  EXPECT_EQ(db->Query("SELECT computer FROM runs ORDER BY computer"), FirstComputers(before));
  ExpectOnlyWholeRuns(*db);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, CtrlCWhileStoring, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, CtrlCWhileStoring, ::testing::Values("postgresql"));

}  // namespace
}  // namespace norvale::fleet::testing
