// Answers for spreadsheets: workbooks read back with openpyxl (not the
// library that wrote them), and CSV as Excel opens it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fleet/cli.h"
#include "fleet/command_table.h"
#include "tests/fleet/fleet_world.h"
#include "tests/fleet/postgres_server.h"

namespace norvale::fleet::testing {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What openpyxl reads in the workbook, as dump_workbook.py prints it.
std::string DumpWorkbook(const std::string& path) {
  const HostRun run = RunHostPython(NORVALE_DUMP_WORKBOOK, path);
  return run.ok ? run.output : "dump failed: " + run.output;
}

class FleetExport : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    target_ = GetParam() == "sqlite" ? dir_ / "fleet.sqlite" : FreshPostgresTarget();
    ASSERT_FALSE(target_.empty());
    const std::string share = dir_ / "share";
    std::filesystem::create_directory(share);
    // Texts a spreadsheet would take for formulas, beside Japanese ones.
    PcSpec en;
    en.computer = "PC-EN";
    en.user = "=cmd|' /C calc'!A0";
    en.apps = {{"@SUM(1+1)", "-2", "+Acme"}, {"Editor", "2.1", "Acme"}};
    en.adapter_error = true;
    PcSpec ja;
    ja.computer = "PC-JA";
    ja.japanese = true;
    ja.user = "山田0125";
    ja.date = "2020/01/15";
    ja.apps = {{"エディタ", "1.0", "社内"}};
    WriteFile(share + "/PC-EN.tsv", ResultBytes(en));
    WriteFile(share + "/PC-JA.tsv", ResultBytes(ja));
    ASSERT_EQ(Cli({"load", share}), kExitOk) << err_;
  }

  int Cli(std::vector<std::string> args) {
    args.push_back("--db");
    args.push_back(target_);
    std::ostringstream out, err;
    CommandIo io{out, err, false};
    const int code = RunCommandLine(FleetCommands(), args, io);
    out_ = out.str();
    err_ = err.str();
    return code;
  }

  TempDir dir_;
  std::string target_, out_, err_;
};

TEST_P(FleetExport, SiteWorkbookHasTypedSheetsAndNoFormula) {
  const std::string path = dir_ / "site.xlsx";
  ASSERT_EQ(Cli({"export", "--out", path}), kExitOk) << err_;
  const std::string dump = DumpWorkbook(path);
  for (const char* line : {
           "sheet computers freeze=A2 filter=A1:R3 rows=3",
           "sheet applications freeze=A2 filter=A1:D4 rows=4",
           "sheet installs freeze=A2 filter=A1:D4 rows=4",
           "sheet changes freeze=A2 filter=A1:I1 rows=1",
           "sheet errors freeze=A2 filter=A1:E2 rows=2",
           "sheet unseen freeze=A2 filter=A1:G2 rows=2",
           "cell computers!A1 s computer",
           "cell computers!A2 s PC-EN",
           "cell computers!B2 d 2026-12-01 09:00:00",  // a date, not text
           "cell computers!G2 n 8077",                 // a number, not text
           "cell computers!J2 n 42.1",
           "cell computers!N2 s =cmd|' /C calc'!A0",  // the text itself, no formula
           "cell computers!N3 s 山田0125",
           "cell applications!A2 s @SUM(1+1)",
           "cell applications!B2 n 1",
           "cell applications!C2 s -2",
           "cell applications!D2 s +Acme",
           "cell installs!A4 s エディタ",
           "cell errors!C2 s mAdapter",
           "cell errors!D2 n -2147217406",
           "cell unseen!A2 s PC-JA",
       }) {
    EXPECT_NE(dump.find(std::string(line) + "\n"), std::string::npos) << line << " in\n" << dump;
  }
  EXPECT_EQ(dump.find(" f "), std::string::npos) << "a formula in\n" << dump;
  // Columns as wide as their cells: the CPU's name is the longest.
  EXPECT_NE(dump.find("width computers!E 40."), std::string::npos) << dump;
}

TEST_P(FleetExport, EveryAnswerWritesAWorkbookOrSpreadsheetCsv) {
  // A name outside the ANSI code page of an English Windows.
  const std::string book = dir_ / "台帳 computer.xlsx";
  ASSERT_EQ(Cli({"computer", "pc-ja", "--lang", "ja", "--out", book}), kExitOk) << err_;
  // Written again over the first: replaced whole, nothing left beside it.
  ASSERT_EQ(Cli({"computer", "pc-ja", "--lang", "ja", "--out", book}), kExitOk) << err_;
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::path(std::u8string(dir_.path().begin(), dir_.path().end())))) {
    const std::u8string name = entry.path().filename().u8string();
    files.emplace_back(name.begin(), name.end());
  }
  EXPECT_EQ(std::count(files.begin(), files.end(), "台帳 computer.xlsx"), 1);
  for (const std::string& name : files) {
    EXPECT_TRUE(name == "share" || name.starts_with("fleet.sqlite") || name == "台帳 computer.xlsx")
        << name;
  }
  const std::string dump = DumpWorkbook(book);
  EXPECT_NE(dump.find("sheet ハードウェア freeze=A2"), std::string::npos) << dump;
  EXPECT_NE(dump.find("s 山田0125\n"), std::string::npos) << dump;

  const std::string csv = dir_ / "computers.csv";
  ASSERT_EQ(Cli({"computers", "--columns", "computer,user_name,memory_mb", "--out", csv}), kExitOk)
      << err_;
  EXPECT_EQ(ReadAll(csv),
            "\xEF\xBB\xBF"
            "computer,user_name,memory_mb\r\n"
            "PC-EN,'=cmd|' /C calc'!A0,8077\r\n"
            "PC-JA,山田0125,8077\r\n");
  EXPECT_EQ(out_, "");
  ASSERT_EQ(Cli({"search", "山田", "--out", dir_ / "search.csv"}), kExitOk) << err_;
  EXPECT_NE(ReadAll(dir_ / "search.csv").find("PC-JA,LAN,LAN / ユーザー名,山田0125\r\n"),
            std::string::npos);
  EXPECT_EQ(Cli({"computer", "PC-EN", "--out", dir_ / "several.csv"}), kExitError);
  EXPECT_NE(err_.find("several tables; write .xlsx"), std::string::npos) << err_;
  EXPECT_EQ(Cli({"computers", "--out", dir_ / "no/such/folder/x.xlsx"}), kExitError);
  EXPECT_NE(err_.find("cannot write the workbook"), std::string::npos) << err_;
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FleetExport, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, FleetExport, ::testing::Values("postgresql"));

}  // namespace
}  // namespace norvale::fleet::testing
