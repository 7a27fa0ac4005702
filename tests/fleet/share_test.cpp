// A share whose users plant FIFOs, links to devices and links that loop:
// the load passes over them, finishes and stores the result files.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>

#include "fleet/cli.h"
#include "fleet/command_table.h"
#include "fleet/load/loader.h"
#include "fleet/store/database.h"
#include "fleet/system/files.h"
#include "fleet/system/interrupt.h"
#include "tests/fleet/fleet_world.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace norvale::fleet::testing {
namespace {

TEST(LoadResultFiles, StopRequestKeepsTheStoredFilesWhole) {
  TempDir dir, share;
  for (const char* name : {"PC-1", "PC-2", "PC-3"}) {
    PcSpec pc;
    pc.computer = name;
    WriteFile(share / (std::string(name) + ".tsv"), ResultBytes(pc));
  }
  auto db = OpenDatabase(dir / "fleet.sqlite");
  RecordingObserver observer;
  LoadOptions options;
  int asked = 0;
  options.stop_requested = [&asked] { return ++asked == 2; };
  try {
    LoadResultFiles(*db, {share.path()}, options, observer);
    ADD_FAILURE() << "the load did not stop";
  } catch (const LoadInterrupted& interrupted) {
    EXPECT_EQ(interrupted.next_path, share / "PC-2.tsv");
    EXPECT_EQ(interrupted.summary.loaded, 1);
  }
  EXPECT_EQ(db->Query("SELECT computer FROM runs"), (std::vector<Row>{{"PC-1"}}));
  // A rerun loads the rest.
  options.stop_requested = nullptr;
  EXPECT_EQ(LoadResultFiles(*db, {share.path()}, options, observer).loaded, 2);
}

// The rejection names both computers as written, long names too (a name
// longer than a string keeps in place once came out as freed memory).
TEST(LoadResultFiles, FileNamedAfterAnotherComputerIsRejectedNamingBoth) {
  TempDir dir, share;
  for (const char* computer : {"PC-2", "ACCOUNTING-LAPTOP-0042-EAST"}) {
    PcSpec pc;
    pc.computer = computer;
    WriteFile(share / "PC-1.tsv", ResultBytes(pc));
    auto db = OpenDatabase(dir / "fleet.sqlite");
    RecordingObserver observer;
    const LoadSummary summary = LoadResultFiles(*db, {share.path()}, {}, observer);
    EXPECT_EQ(summary.rejected, 1);
    ASSERT_EQ(observer.rejected.size(), 1u);
    EXPECT_NE(
        observer.rejected[0].find("PC-1.tsv:1: the file is named \"PC-1\" but its rows are of \"" +
                                  std::string(computer) + "\""),
        std::string::npos)
        << observer.rejected[0];
  }
}

// FIFOs and POSIX links; Windows has its own cases of links and devices
// (tests/win32/fleet/).
#ifndef _WIN32

using Status = FileContent::Status;

// A share with two result files among everything a user can plant:
//   A.tsv            result file        sub/C.tsv    result file
//   B.tsv            FIFO               sub/l3 -> .. loop link
//   Z.tsv -> /dev/zero                  notes.txt    no result file
//   l1 -> .  l2 -> ..                   Y.tsv -> A.tsv (a link, even to a good file)
void PlantShare(const TempDir& share) {
  PcSpec a, c;
  a.computer = "A";
  c.computer = "C";
  WriteFile(share / "A.tsv", ResultBytes(a));
  ASSERT_EQ(mkfifo((share / "B.tsv").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", (share / "Z.tsv").c_str()), 0);
  ASSERT_EQ(symlink(".", (share / "l1").c_str()), 0);
  ASSERT_EQ(symlink("..", (share / "l2").c_str()), 0);
  ASSERT_EQ(symlink("A.tsv", (share / "Y.tsv").c_str()), 0);
  WriteFile(share / "notes.txt", "not a result file");
  ASSERT_EQ(mkdir((share / "sub").c_str(), 0755), 0);
  WriteFile(share / "sub/C.tsv", ResultBytes(c));
  ASSERT_EQ(symlink("..", (share / "sub/l3").c_str()), 0);
}

constexpr int kPlantedNotRegular = 6;  // B, Z, l1, l2, Y, sub/l3

TEST(ReadRegularFilePosix, NeitherLinksNorFifosNorDevices) {
  TempDir dir;
  WriteFile(dir / "real.tsv", "data");
  ASSERT_EQ(symlink((dir / "real.tsv").c_str(), (dir / "link.tsv").c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", (dir / "zero.tsv").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "fifo.tsv").c_str(), 0644), 0);
  const struct {
    std::string path;
    LastLink last_link;
    Status want;
  } cases[] = {
      {dir / "real.tsv", LastLink::kRefuse, Status::kRead},
      {dir / "link.tsv", LastLink::kRefuse, Status::kNotRegular},
      {dir / "link.tsv", LastLink::kFollow, Status::kRead},  // a file the user named
      {dir / "zero.tsv", LastLink::kRefuse, Status::kNotRegular},
      {dir / "zero.tsv", LastLink::kFollow, Status::kNotRegular},
      {"/dev/zero", LastLink::kFollow, Status::kNotRegular},
      {dir / "fifo.tsv", LastLink::kRefuse, Status::kNotRegular},
  };
  for (const auto& c : cases) {
    // Read on a thread of its own: a blocking open of the FIFO must fail the
    // test, not hang it. A writer opened afterwards releases such an open.
    auto reading = std::async(std::launch::async,
                              [&] { return ReadRegularFile(c.path, 1 << 20, c.last_link); });
    if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      close(open(c.path.c_str(), O_WRONLY | O_NONBLOCK));
      ADD_FAILURE() << c.path << " blocked";
    }
    EXPECT_EQ(reading.get().status, c.want) << c.path;
  }
}

TEST(CollectResultFiles, RegularFilesOnlyAndEachFolderOnce) {
  TempDir share;
  PlantShare(share);
  for (const bool recursive : {false, true}) {
    RecordingObserver observer;
    LoadSummary summary;
    // The share named twice, and its subfolder besides: still each file once.
    const auto files = CollectResultFiles({share.path(), share.path() + "/sub/..", share / "sub"},
                                          recursive, observer, summary);
    // Without --recursive the subfolder is read because it is named.
    EXPECT_EQ(files, (std::vector<std::string>{share / "A.tsv", share / "sub/C.tsv"}));
    EXPECT_EQ(summary.not_regular, kPlantedNotRegular);
    EXPECT_EQ(summary.skipped, 1);  // notes.txt
    EXPECT_EQ(summary.rejected, 0);
  }
}

TEST(LoadResultFiles, AFileNamedOnTheCommandLineMayBeALinkToARegularFile) {
  TempDir dir, share;
  PcSpec pc;
  WriteFile(share / "A.tsv", ResultBytes(pc));
  // The link bears the computer's name, as the file it stands for does.
  const std::string named = dir / (pc.computer + ".tsv");
  ASSERT_EQ(symlink((share / "A.tsv").c_str(), named.c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", (dir / "zero.tsv").c_str()), 0);
  auto db = OpenDatabase(dir / "fleet.sqlite");
  RecordingObserver observer;
  const LoadSummary summary =
      LoadResultFiles(*db, {named, dir / "zero.tsv"}, LoadOptions{}, observer);
  EXPECT_EQ(summary.loaded, 1);
  EXPECT_EQ(summary.not_regular, 1);
  EXPECT_EQ(observer.skipped, (std::vector<std::string>{dir / "zero.tsv"}));
}

// The real program, as a user runs it, with a deadline: a load that hangs
// on the FIFO or grows on /dev/zero fails here instead of never ending.
struct ProgramRun {
  int code;
  std::string out, err;
};

ProgramRun RunFleet(const TempDir& dir, const std::string& args) {
  const std::string out = dir / "out.txt", err = dir / "err.txt";
  const std::string command =
      "timeout 120 " + std::string(NORVALE_FLEET_EXE) + " " + args + " >" + out + " 2>" + err;
  const int status = std::system(command.c_str());
  auto slurp = [](const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
}

TEST(FleetProgram, LoadsAPlantedShareToTheEnd) {
  TempDir dir, share;
  PlantShare(share);
  const std::string db = " --db " + (dir / "fleet.sqlite");
  const ProgramRun load = RunFleet(dir, "load --recursive " + share.path() + db);
  EXPECT_EQ(load.code, kExitOk) << load.err;
  EXPECT_EQ(load.out.rfind("loaded 2, unchanged 0, rejected 0, skipped 1; skipped 6: not a "
                           "regular file (",
                           0),
            0u)
      << load.out;
  EXPECT_NE(load.err.find("skipped " + (share / "B.tsv") + ": not a regular file"),
            std::string::npos)
      << load.err;
  const ProgramRun computers = RunFleet(dir, "computers --format csv" + db);
  EXPECT_EQ(computers.code, kExitOk) << computers.err;
  EXPECT_NE(computers.out.find("\nA,"), std::string::npos) << computers.out;
  EXPECT_NE(computers.out.find("\nC,"), std::string::npos) << computers.out;
}

TEST(FleetProgram, CtrlCDuringLoadStopsBetweenFilesWithItsOwnCode) {
  TempDir dir, share;
  for (int i = 0; i < 3000; ++i) {
    PcSpec pc;
    pc.computer = "PC-" + std::to_string(i);
    WriteFile(share / (pc.computer + ".tsv"), ResultBytes(pc));
  }
  const std::string db = dir / "fleet.sqlite";
  // SIGINT once the load is under way: some runs are committed (the
  // write-ahead log has grown).
  const std::string command = NORVALE_FLEET_EXE + std::string(" load ") + share.path() + " --db " +
                              db + " >" + (dir / "out.txt") + " 2>" + (dir / "err.txt") +
                              " & pid=$!; while [ \"$(stat -c %s " + db +
                              "-wal 2>/dev/null || echo 0)\" -lt 400000 ]; do sleep 0.05; done; "
                              "kill -INT $pid; wait $pid";
  const int status = std::system(("timeout 120 bash -c '" + command + "'").c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kExitInterrupted);
  std::ifstream err(dir / "err.txt");
  std::string text((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("interrupted: " + share.path()), std::string::npos) << text;
  // What was stored is whole: every run has all its facts, and a rerun
  // completes the load.
  const ProgramRun check = RunFleet(dir, "load " + share.path() + " --db " + db);
  EXPECT_EQ(check.code, kExitOk) << check.err;
  const auto unchanged = check.out.find(", unchanged ");
  ASSERT_NE(unchanged, std::string::npos) << check.out;
  const int stored_before = std::atoi(check.out.c_str() + unchanged + 12);
  EXPECT_GT(stored_before, 0) << check.out;
  EXPECT_LT(stored_before, 3000) << check.out;
  auto database = OpenDatabase(db);
  EXPECT_EQ(database->Query("SELECT COUNT(*) FROM runs"), (std::vector<Row>{{"3000"}}));
  EXPECT_EQ(database->Query("SELECT COUNT(*) FROM runs r WHERE row_count <> "
                            "(SELECT COUNT(*) FROM facts f WHERE f.run_id = r.run_id)"),
            (std::vector<Row>{{"0"}}));
}

#endif  // _WIN32

}  // namespace
}  // namespace norvale::fleet::testing
