// The built norvale-fleet on crafted shares, as an administrator runs it,
// against each engine.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "fleet/common/timestamps.h"
#include "tests/fleet/fleet_world.h"
#include "tests/fleet/postgres_server.h"

namespace norvale::fleet::testing {
namespace {

struct ExeResult {
  int code;
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Quoted(const std::string& arg) {
  std::string out = "'";
  for (const char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// A line of TSV output whose first cell is `key`, split into cells.
std::vector<std::string> TsvLine(const std::string& tsv, const std::string& key) {
  std::istringstream lines(tsv);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(key + "\t", 0) != 0) continue;
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    if (!line.empty() && line.back() == '\t') cells.push_back("");
    return cells;
  }
  return {};
}

class FleetExe : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    target_ = GetParam() == "sqlite" ? dir_ / "fleet.sqlite" : FreshPostgresTarget();
    ASSERT_FALSE(target_.empty());
    std::filesystem::create_directory(share_);
  }

  ExeResult Run(const std::vector<std::string>& args) {
    std::string command = Quoted(NORVALE_FLEET_EXE);
    for (const std::string& arg : args) command += " " + Quoted(arg);
    command += " --db " + Quoted(target_) + " >" + Quoted(dir_ / "out") + " 2>" +
               Quoted(dir_ / "err") + " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir_ / "out"), Slurp(dir_ / "err")};
  }

  void Put(const PcSpec& pc, const std::string& name) {
    WriteFile(share_ + "/" + name, ResultBytes(pc));
  }

  TempDir dir_;
  std::string target_, share_ = dir_ / "share";
};

// The header date and time of a run written `minutes` from now (UTC).
std::pair<std::string, std::string> HeaderTimeFromNow(int minutes) {
  const std::time_t at = std::time(nullptr) + minutes * 60;
  std::tm tm{};
  gmtime_r(&at, &tm);
  char date[64], time[64];
  std::snprintf(date, sizeof date, "%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  std::snprintf(time, sizeof time, "%d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return {date, time};
}

// One computer cannot pose as another: a file named ATTACKER whose rows say
// VICTIM is refused with both names. A computer whose clock runs ahead has
// that run stored and named, but cannot freeze itself in the future: its
// next real run is its newest again.
TEST_P(FleetExe, OneComputerCannotPoseAsAnotherNorFreezeItselfInTheFuture) {
  PcSpec victim;
  victim.computer = "VICTIM";
  victim.date = "2020/06/01";
  victim.apps = {{"Real Office", "16.0", "Microsoft"}};
  Put(victim, "victim.tsv");  // Windows compares names in any case
  PcSpec fake = victim;
  fake.date = "2099/12/31";
  fake.windows = "Fake Windows";
  fake.ip = "006.006.006.006";
  fake.apps = {{"Click to update", "6.6", "Evil"}};
  Put(fake, "ATTACKER.tsv");

  ExeResult r = Run({"load", share_});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_EQ(r.out.rfind("loaded 1, unchanged 0, rejected 1, skipped 0 (", 0), 0u) << r.out;
  EXPECT_NE(r.err.find("rejected " + share_ +
                       "/ATTACKER.tsv:1: the file is named \"ATTACKER\" "
                       "but its rows are of \"VICTIM\""),
            std::string::npos)
      << r.err;
  r = Run({"software", "--format", "tsv", "--computers"});
  EXPECT_EQ(r.out, "name\tversion\tpublisher\tcomputer\nReal Office\t16.0\tMicrosoft\tVICTIM\n");
  r = Run({"computers", "--columns", "computer,windows", "--format", "tsv"});
  EXPECT_EQ(TsvLine(r.out, "VICTIM").at(1), "Windows 10 Pro") << r.out;

  // VICTIM's own clock runs ahead to 2099.
  std::filesystem::remove(share_ + "/ATTACKER.tsv");
  PcSpec ahead = victim;
  ahead.date = "2099/12/31";
  ahead.memory_mb = "9999";
  Put(ahead, "victim.tsv");
  r = Run({"load", share_});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("loaded 1, unchanged 0, rejected 0, skipped 0, clock ahead 1 (", 0), 0u)
      << r.out;
  EXPECT_NE(r.err.find("clock ahead " + share_ + "/victim.tsv: run dated 2099-12-31 09:00:00"),
            std::string::npos)
      << r.err;

  // Its clock is right again: the next run is the newest, and the run from
  // the future stays named.
  PcSpec fixed = victim;
  std::tie(fixed.date, fixed.time) = HeaderTimeFromNow(1);
  fixed.memory_mb = "16270";
  Put(fixed, "victim.tsv");
  r = Run({"load", share_});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("loaded 1, unchanged 0, rejected 0, skipped 0 (", 0), 0u) << r.out;
  r = Run(
      {"computers", "--columns", "computer,last_seen,memory_mb,clock_ahead", "--format", "tsv"});
  const std::vector<std::string> line = TsvLine(r.out, "VICTIM");
  ASSERT_EQ(line.size(), 4u) << r.out;
  EXPECT_EQ(line[1], NormaliseRunAt(fixed.date, fixed.time));
  EXPECT_EQ(line[2], "16270");
  EXPECT_EQ(line[3], "2099-12-31 09:00:00");
  // The computer command shows the same run, not the one dated 2099.
  r = Run({"computer", "victim", "--format", "tsv"});
  EXPECT_NE(r.out.find("memory_total_mb\t16270"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("memory_total_mb\t9999"), std::string::npos) << r.out;

  const std::string page = dir_ / "site.html";
  r = Run({"report", "--out", page});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string html = Slurp(page);
  EXPECT_NE(html.find("<dd id=\"newest-run\">" + fixed.date.substr(0, 4) + "-"), std::string::npos);
  EXPECT_EQ(html.find("<dd id=\"newest-run\">2099"), std::string::npos);
  EXPECT_NE(html.find("<dd id=\"not-seen\"><a href=\"#unseen\">0</a></dd>"), std::string::npos);
  EXPECT_NE(html.find("<dd id=\"clock-ahead\"><a href=\"#ahead\">1</a></dd>"), std::string::npos);
  EXPECT_NE(html.find("<tr><td><span>VICTIM</span><td>2099/12/31 "), std::string::npos);

  // An administrator who trusts every file may load any file name.
  Put(fake, "ATTACKER.tsv");
  r = Run({"load", share_ + "/ATTACKER.tsv", "--any-file-name"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("loaded 1, unchanged 0, rejected 0, skipped 0, clock ahead 1 (", 0), 0u)
      << r.out;
}

// Many runs of one computer, from an archive of dated folders: every run is
// stored and the newest by date is the one every command shows.
TEST_P(FleetExe, ManyRunsOfOneComputer) {
  constexpr int kRuns = 400;
  PcSpec pc;
  pc.computer = "PC-HISTORY";
  for (int i = 0; i < kRuns; ++i) {
    const int hours = i * 7 % kRuns;  // loaded in another order than dated
    pc.date =
        "2020/" + std::to_string(1 + hours / 24 / 28) + "/" + std::to_string(1 + hours / 24 % 28);
    pc.time = std::to_string(hours % 24) + ":30:00";
    pc.memory_mb = std::to_string(4000 + hours);
    const std::string folder = "run" + std::to_string(i);
    std::filesystem::create_directory(share_ + "/" + folder);
    Put(pc, folder + "/PC-HISTORY.tsv");
  }
  ExeResult r = Run({"load", share_, "--recursive"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("loaded 400, unchanged 0, rejected 0, skipped 0 (", 0), 0u) << r.out;
  r = Run({"computers", "--columns", "computer,last_seen,memory_mb", "--format", "tsv"});
  const std::vector<std::string> line = TsvLine(r.out, "PC-HISTORY");
  ASSERT_EQ(line.size(), 3u) << r.out;
  EXPECT_EQ(line[1], "2020-01-17 15:30:00");  // hour 399
  EXPECT_EQ(line[2], "4399");
  r = Run({"changes", "--computer", "PC-HISTORY", "--since", "2020-01-17", "--format", "tsv"});
  EXPECT_NE(r.out.find("\t2020-01-17 14:30:00\t2020-01-17 15:30:00\tchanged\tHard\tPhysicalMemory"
                       "\tTotal\t4398 MB\t4399 MB\n"),
            std::string::npos)
      << r.out;
  const std::string page = dir_ / "history.html";
  r = Run({"report", "--out", page, "--now", "2020-01-20"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(Slurp(page).find("<dd id=\"total-runs\">400</dd>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FleetExe, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, FleetExe, ::testing::Values("postgresql"));

}  // namespace
}  // namespace norvale::fleet::testing
