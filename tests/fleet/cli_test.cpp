#include "fleet/cli.h"

#include <gtest/gtest.h>

#include "fleet/command_table.h"
#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fleet/store/database.h"
#include "fleet/store/inventory.h"
#include "tests/fleet/fleet_world.h"
#include "tests/fleet/postgres_server.h"

namespace norvale::fleet::testing {
namespace {

struct CliResult {
  int code;
  std::string out, err;
};

CliResult Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  CommandIo io{out, err, false};
  const int code = RunCommandLine(FleetCommands(), args, io);
  return {code, out.str(), err.str()};
}

int Lines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(FleetCli, HelpAndUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* out_part;  // in stdout, or for errors in the one stderr line
  } cases[] = {
      {{"--help"}, kExitOk, "computers"},
      {{"--version"}, kExitOk, "norvale-fleet 1."},
      {{"load", "--help"}, kExitOk, "usage: norvale-fleet load"},
      {{"computers", "--help"}, kExitOk, "usage: norvale-fleet computers"},
      {{"software", "--help"}, kExitOk, "--versions"},
      {{"computer", "--help"}, kExitOk, "--at DATE"},
      {{"search", "--help"}, kExitOk, "usage: norvale-fleet search TEXT"},
      {{"unseen", "--help"}, kExitOk, "--days N"},
      {{"export", "--help"}, kExitOk, "installs"},
      {{"changes", "--help"}, kExitOk, "--since"},
      {{}, kExitError, "no command"},
      {{"frobnicate"}, kExitError, "unknown command 'frobnicate'"},
      {{"load"}, kExitError, "name at least one folder"},
      {{"load", "x", "--bogus"}, kExitError, "unknown option --bogus"},
      {{"load", "x", "--db"}, kExitError, "--db needs a value"},
      {{"load", "x", "--encoding", "ebcdic"}, kExitError, "unknown --encoding"},
      {{"computers", "--format", "xml"}, kExitError, "unknown --format 'xml'"},
      {{"search", "x", "--format", "json"}, kExitError, "the formats are table, csv or tsv"},
      {{"computers", "--where", "memory_mb<lots"}, kExitError, "'lots' is not one"},
      {{"computers", "--sort", "colour"}, kExitError, "no column 'colour'; the columns are"},
      {{"computer"}, kExitError, "name one computer"},
      {{"computer", "PC", "--lang", "fr"}, kExitError, "--lang is en or ja"},
      {{"unseen", "--days", "-3"}, kExitError, "--days wants a whole number"},
      {{"export", "--out", "site.csv"}, kExitError, "--out FILE.xlsx"},
      {{"computers", "--out", "list.pdf"}, kExitError, "ending in .xlsx or .csv"},
      {{"changes", "--since", "yesterday"}, kExitError, "--since wants a date"},
      {{"computers", "--db", "/no/such/folder/x.sqlite"},
       kExitError,
       "no such database: /no/such/folder/x.sqlite"},
      {{"load", "x", "--db", "/no/such/folder/x.sqlite"},
       kExitError,
       "/no/such/folder/x.sqlite: cannot open"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.code, c.code) << ::testing::PrintToString(c.args);
    if (c.code == kExitOk) {
      EXPECT_NE(r.out.find(c.out_part), std::string::npos) << r.out;
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_EQ(Lines(r.err), 1) << r.err;
      EXPECT_EQ(r.err.rfind("norvale-fleet: ", 0), 0u) << r.err;
      EXPECT_NE(r.err.find(c.out_part), std::string::npos) << r.err;
      EXPECT_EQ(r.out, "");
    }
  }
}

// The runner parses for whatever table it is handed: what reaches the
// command, and where it stops before running it.
TEST(FleetCli, RunnerParsesForTheCommandsItIsGiven) {
  std::vector<Arguments> seen;
  const std::vector<Command> commands = {{"probe",
                                          "a probe",
                                          "usage: probe\n",
                                          {"db", "tag"},
                                          {"all"},
                                          [&seen](const Arguments& args, CommandIo&) {
                                            seen.push_back(args);
                                            if (args.Has("all") && args.positional.empty())
                                              throw std::runtime_error("bad\n  line");
                                            return 7;
                                          }}};
  const struct {
    std::vector<std::string> args;
    int code;
    const char* db;          // --db as the command sees it; nullptr: not run
    const char* tags;        // every --tag, joined by '|'
    const char* positional;  // joined by '|'
    const char* printed;     // part of stdout (code 0) or the one stderr line
  } cases[] = {
      {{"probe", "--db", "a.sqlite", "x"}, 7, "a.sqlite", "", "x", ""},
      {{"probe", "--db=b=c", "--tag", "1", "--tag=2", "--", "-y"}, 7, "b=c", "1|2", "--|-y", ""},
      {{"probe", "--all", "x"}, 7, "", "", "x", ""},
      {{"probe", "--all"}, kExitError, "", "", "", "norvale-fleet: probe: bad line"},
      {{"probe", "--tag"}, kExitError, nullptr, "", "", "probe: --tag needs a value"},
      {{"probe", "--all=1"}, kExitError, nullptr, "", "", "unknown option --all"},
      {{"probe", "--bogus", "--help"}, kExitError, nullptr, "", "", "unknown option --bogus"},
      {{"probe", "x", "--help", "--bogus"}, kExitOk, nullptr, "", "", "usage: probe"},
      {{"help"}, kExitOk, nullptr, "", "", "  probe       a probe"},
      {{"load"}, kExitError, nullptr, "", "", "unknown command 'load'"},
  };
  for (const auto& c : cases) {
    seen.clear();
    std::ostringstream out, err;
    CommandIo io{out, err, false};
    EXPECT_EQ(RunCommandLine(commands, c.args, io), c.code) << ::testing::PrintToString(c.args);
    const std::string printed = c.code == kExitOk ? out.str() : err.str();
    EXPECT_NE(printed.find(c.printed), std::string::npos) << printed;
    ASSERT_EQ(seen.size(), c.db ? 1u : 0u) << ::testing::PrintToString(c.args);
    if (!c.db) continue;
    auto joined = [](const std::vector<std::string>& parts) {
      std::string text;
      for (const std::string& p : parts) text += (text.empty() ? "" : "|") + p;
      return text;
    };
    EXPECT_EQ(seen[0].Get("db"), c.db);
    EXPECT_EQ(joined(seen[0].GetAll("tag")), c.tags);
    EXPECT_EQ(joined(seen[0].positional), c.positional);
  }
}

TEST(FleetCli, LoadThenQueryEveryFormat) {
  TempDir dir;
  const std::string db = dir / "fleet.sqlite";
  const std::string share = dir / "share";
  std::filesystem::create_directory(share);
  PcSpec pc;
  pc.apps = {{"Editor, Pro", "2.1", "Acme \"Tools\""}};
  WriteFile(share + "/PC-01.tsv", ResultBytes(pc));

  CliResult r = Cli({"computers", "--db", db});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_NE(r.err.find("no such database: " + db), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(db));  // a wrong --db leaves no file behind

  r = Cli({"load", share, "--db", db});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out.rfind("loaded 1, unchanged 0, rejected 0, skipped 0 (", 0), 0u) << r.out;
  EXPECT_EQ(r.err, "");  // not a terminal: no progress line

  r = Cli({"computers", "--db", db, "--format", "csv"});
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_EQ(r.out,
            "computer,last_seen,windows,cpu,memory_mb,disk_free_gb,disk_free_pct,ip,mac,domain,"
            "user_name\n"
            "PC-01,2026-12-01 09:00:00,Windows 10 Pro,Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz,"
            "8077,100.2,42.1,192.168.1.10,00:11:22:33:44:55,WORKGROUP,taro\n");

  r = Cli({"software", "--db", db, "--format=csv", "--computers"});
  EXPECT_EQ(r.out,
            "name,version,publisher,computer\n"
            "\"Editor, Pro\",2.1,\"Acme \"\"Tools\"\"\",PC-01\n");
  r = Cli({"software", "--db", db, "--name", "edit*"});
  EXPECT_EQ(Lines(r.out), 3);  // header, rule, one application
  EXPECT_NE(r.out.find("Editor, Pro"), std::string::npos);

  WriteFile(share + "/broken.csv", "garbage\r\n");
  r = Cli({"load", share, "--db", db});
  EXPECT_EQ(r.code, kExitRejected);
  EXPECT_EQ(r.out.rfind("loaded 0, unchanged 1, rejected 1, skipped 0", 0), 0u) << r.out;
  EXPECT_NE(r.err.find("rejected " + share + kPathSeparator + "broken.csv:1: no header row"),
            std::string::npos)
      << r.err;
}

TEST(FleetCli, ChangesTable) {
  TempDir dir;
  const std::string db = dir / "fleet.sqlite";
  PcSpec pc;
  for (const char* run : {"1", "2"}) std::filesystem::create_directory(dir / run);
  WriteFile(dir / "1/PC-01.tsv", ResultBytes(pc));
  pc.date = "2026/12/03";
  pc.memory_mb = "16270";
  WriteFile(dir / "2/PC-01.tsv", ResultBytes(pc));
  ASSERT_EQ(Cli({"load", dir / "1/PC-01.tsv", dir / "2/PC-01.tsv", "--db", db}).code, kExitOk);
  const CliResult r = Cli({"changes", "--db", db, "--computer", "PC-01", "--format", "tsv"});
  EXPECT_EQ(
      r.out,
      "computer\tfrom\tto\tchange\tgroup\titem\tsubitem\told\tnew\n"
      "PC-01\t2026-12-01 09:00:00\t2026-12-03 09:00:00\tchanged\tHard\tPhysicalMemory\tTotal\t"
      "8077 MB\t16270 MB\n");
}

TEST(FleetCli, FilesOnlyInSubfoldersNameRecursive) {
  TempDir dir;
  std::filesystem::create_directories(dir / "share/site-a");
  WriteFile(dir / "share/site-a/PC-01.tsv", ResultBytes(PcSpec{}));
  CliResult r = Cli({"load", dir / "share", "--db", dir / "fleet.sqlite"});
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_EQ(r.out.rfind("loaded 0, unchanged 0, rejected 0, skipped 0", 0), 0u) << r.out;
  EXPECT_NE(r.err.find("no result files in " + dir / "share" +
                       " itself, but it has subfolders: "
                       "add --recursive"),
            std::string::npos)
      << r.err;
  r = Cli({"load", dir / "share", "--recursive", "--db", dir / "fleet.sqlite"});
  EXPECT_EQ(r.out.rfind("loaded 1,", 0), 0u) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST(FleetCli, LoadUpgradesAnOlderSchemaAndSaysSo) {
  TempDir dir, share, empty;
  WriteFile(share / "PC-01.tsv", ResultBytes(PcSpec{}));
  const std::string db = dir / "fleet.sqlite";
  ASSERT_EQ(Cli({"load", share.path(), "--db", db}).code, kExitOk);
  {
    // Back to what a release of schema 1 left.
    auto old = OpenDatabase(db);
    old->Execute("DROP VIEW latest_computers");
    for (const InventoryTable& table : InventoryTables()) {
      old->Execute(std::string("DROP VIEW latest_") + table.name);
      old->Execute(std::string("DROP TABLE ") + table.name);
    }
    old->Execute("UPDATE fleet_schema SET version = 1");
  }
  CliResult r = Cli({"computers", "--db", db});  // queries leave the database as it is
  EXPECT_EQ(r.code, kExitError);
  EXPECT_NE(r.err.find("fleet schema version 1; 'load' upgrades it"), std::string::npos) << r.err;
  r = Cli({"load", empty.path(), "--db", db});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out.rfind("upgraded the database from fleet schema 1 to 2 (typed tables derived "
                        "from the facts of 1 runs)\n",
                        0),
            0u)
      << r.out;
  r = Cli({"computers", "--db", db, "--columns", "computer,memory_mb", "--format", "csv"});
  EXPECT_EQ(r.out, "computer,memory_mb\nPC-01,8077\n");
}

TEST(FleetCli, ProgressOnATerminalOnly) {
  TempDir dir, share;
  PcSpec pc;
  WriteFile(share / "PC-01.tsv", ResultBytes(pc));
  std::ostringstream out, err;
  CommandIo terminal{out, err, true};
  EXPECT_EQ(RunCommandLine(FleetCommands(), {"load", share.path(), "--db", dir / "fleet.sqlite"},
                           terminal),
            kExitOk);
  // One line that rewrites itself, wiped before the summary.
  EXPECT_NE(err.str().find("\r[1/1] "), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find('\n'), std::string::npos) << err.str();
  EXPECT_EQ(err.str().substr(err.str().size() - 4), "\r\x1b[K");
  EXPECT_EQ(out.str().rfind("loaded 1,", 0), 0u);
}

TEST(FleetCli, NotADatabaseIsOneLine) {
  TempDir dir;
  WriteFile(dir / "fleet.sqlite", std::string(8192, 'x'));
  const CliResult r = Cli({"computers", "--db", dir / "fleet.sqlite"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_NE(r.err.find("not a database"), std::string::npos) << r.err;
}

// The program itself under /usr/bin/time, for its peak memory: Linux only.
// The Windows build's own program runs in tests/e2e/test_fleet_windows.sh.
#ifndef _WIN32
struct ProgramRun {
  int code = -1;
  std::string out, err;
  long max_rss_kb = 0;  // the program's peak resident memory
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the built norvale-fleet itself, its output in files of `dir`.
// Runs the built norvale-fleet itself, its output in files of `dir`, under
// /usr/bin/time for its peak memory: a child forked from this process would
// count this process's memory as its own. Under the address sanitizer freed
// memory waits in a quarantine of up to 256 MB; a small one leaves the
// program's own peak.
ProgramRun RunFleet(const TempDir& dir, const std::vector<std::string>& args) {
  const std::string out_path = dir / "stdout", err_path = dir / "stderr", rss_path = dir / "rss";
  std::vector<std::string> all = {"/usr/bin/time", "-f", "%M", "-o", rss_path, NORVALE_FLEET_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    if (std::string_view(*e).rfind("ASAN_OPTIONS=", 0) != 0) environment.push_back(*e);
  }
  const char* asan = std::getenv("ASAN_OPTIONS");
  environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? std::string(asan) + ":" : "") +
                        "quarantine_size_mb=4");
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  ProgramRun run;
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    run.code = WEXITSTATUS(status);
  }
  run.out = ReadAll(out_path);
  run.err = ReadAll(err_path);
  // time's own note ("Command exited with non-zero status 1") comes first.
  const std::string rss = ReadAll(rss_path);
  const auto last_line = rss.find_last_of('\n', rss.size() > 1 ? rss.size() - 2 : 0);
  run.max_rss_kb = std::atol(rss.c_str() + (last_line == std::string::npos ? 0 : last_line + 1));
  return run;
}

// A share every user can write, with one file of each kind that broke
// loads among 300 good ones: bytes that are no UTF-8 (with a byte order mark
// and without), a 3,000-character computer name, a 300 MB file, and a row
// whose computer name would drive the terminal. One load stores the 300,
// names each of the others, and keeps its memory small.
class FleetLoadEndToEnd : public ::testing::TestWithParam<std::string> {};

TEST_P(FleetLoadEndToEnd, PoisonedFilesAmongGoodOnesAreRejectedAlone) {
  TempDir dir;
  const std::string share = dir / "share";
  std::filesystem::create_directory(share);
  for (int i = 0; i < 300; ++i) {
    PcSpec pc;
    pc.computer = "PC-" + std::to_string(100 + i);
    pc.japanese = i % 10 == 0;
    pc.apps = {{"App", "1.0", "Acme"}};
    WriteFile(share + "/" + pc.computer + ".tsv", ResultBytes(pc));
  }
  PcSpec poisoned;
  poisoned.computer = "BAD";
  poisoned.apps = {{"X\xF4\x90\x80\x80", "1.0", "Acme"}};
  WriteFile(share + "/BAD-F4.tsv", ResultText(poisoned));
  poisoned.apps = {{"X\xF8\x88\x80\x80\x80", "1.0", "Acme"}};
  WriteFile(share + "/BAD-FIVE.tsv", "\xEF\xBB\xBF" + ResultText(poisoned));
  PcSpec long_name;
  long_name.computer = std::string(3000, 'L');
  WriteFile(share + "/LONG.tsv", ResultBytes(long_name));
  PcSpec escape;
  escape.computer = "ESC";
  WriteFile(share + "/ESC.tsv",
            ResultBytes(escape) + "X\x1b[1A\x1b[2K\r\tSoft\tApplication\tA\t1\t\t2026/12/01\r\n");
  std::ofstream(share + "/HUGE.tsv").close();
  std::filesystem::resize_file(share + "/HUGE.tsv", std::uintmax_t{300} << 20);  // sparse
  const std::string target = GetParam() == "sqlite" ? dir / "fleet.sqlite" : FreshPostgresTarget();
  ASSERT_FALSE(target.empty());

  const ProgramRun first = RunFleet(dir, {"load", share, "--db", target});
  EXPECT_EQ(first.code, kExitRejected) << first.err;
  EXPECT_EQ(first.out.rfind("loaded 300, unchanged 0, rejected 5, skipped 0 (", 0), 0u)
      << first.out;
  for (const char* rejected :
       {"BAD-F4.tsv:18: bytes that are not valid windows-1252",
        "BAD-FIVE.tsv:18: bytes that are not valid utf-8",
        "LONG.tsv:1: computer name longer than 63 characters",
        "HUGE.tsv: larger than the limit of 16 MB",
        "ESC.tsv:19: row for another computer: \"X\\x1b[1A\\x1b[2K\\x0d\""}) {
    EXPECT_NE(first.err.find(rejected), std::string::npos) << rejected << "\n" << first.err;
  }
  EXPECT_EQ(first.err.find_first_of("\x1b\r"), std::string::npos) << first.err;
  EXPECT_EQ(Lines(first.err), 5) << first.err;
  EXPECT_GT(first.max_rss_kb, 0);
  EXPECT_LT(first.max_rss_kb, 120 * 1024) << "KB";  // far below the 300 MB file

  const ProgramRun again = RunFleet(dir, {"load", share, "--db", target});
  EXPECT_EQ(again.out.rfind("loaded 0, unchanged 300, rejected 5, skipped 0 (", 0), 0u)
      << again.out;
  const ProgramRun computers = RunFleet(dir, {"computers", "--db", target, "--format", "csv"});
  EXPECT_EQ(computers.code, kExitOk) << computers.err;
  EXPECT_EQ(Lines(computers.out), 301);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FleetLoadEndToEnd, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, FleetLoadEndToEnd, ::testing::Values("postgresql"));
#endif

TEST(FleetCliPostgres, UnreachableServerIsOneLine) {
  const CliResult r = Cli({"load", "/tmp", "--db", UnreachablePostgresTarget()});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_NE(r.err.find("cannot reach the PostgreSQL server"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace norvale::fleet::testing
