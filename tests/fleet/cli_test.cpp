#include "fleet/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
  const int code = RunCommandLine(args, io);
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
  EXPECT_NE(r.err.find("rejected " + share + "/broken.csv:1: no header row"), std::string::npos)
      << r.err;
}

TEST(FleetCli, ChangesTable) {
  TempDir dir;
  const std::string db = dir / "fleet.sqlite";
  PcSpec pc;
  WriteFile(dir / "a.tsv", ResultBytes(pc));
  pc.date = "2026/12/03";
  pc.memory_mb = "16270";
  WriteFile(dir / "b.tsv", ResultBytes(pc));
  ASSERT_EQ(Cli({"load", dir / "a.tsv", dir / "b.tsv", "--db", db}).code, kExitOk);
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
  EXPECT_EQ(RunCommandLine({"load", share.path(), "--db", dir / "fleet.sqlite"}, terminal),
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

TEST(FleetCliPostgres, UnreachableServerIsOneLine) {
  const CliResult r = Cli({"load", "/tmp", "--db", UnreachablePostgresTarget()});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_NE(r.err.find("cannot reach the PostgreSQL server"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace norvale::fleet::testing
