#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fleet/cli.h"
#include "fleet/command_table.h"
#include "fleet/load/loader.h"
#include "fleet/report/page_names.h"
#include "fleet/store/database.h"
#include "tests/fleet/fleet_world.h"
#include "tests/report/count_of.h"

namespace norvale::fleet {
namespace {

struct Outcome {
  int code;
  std::string out, err;
};

Outcome RunFleet(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CommandIo io{out, err, false};
  const int code = RunCommandLine(FleetCommands(), args, io);
  return {code, out.str(), err.str()};
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

using testing::CountOf;

class ReportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::PcSpec pc;
    pc.computer = "PC-01";
    testing::WriteFile(dir_ / "PC-01.tsv", testing::ResultBytes(pc));
    ASSERT_EQ(RunFleet({"load", dir_ / "PC-01.tsv", "--db", db_}).code, kExitOk);
  }
  testing::TempDir dir_;
  std::string db_ = dir_ / "fleet.sqlite";
};

TEST_F(ReportCommand, WritesThePageAndSaysWhere) {
  const std::string page = dir_ / "site.html";
  const Outcome ok =
      RunFleet({"report", "--db", db_, "--out", page, "--lang", "ja", "--now", "2026-12-08"});
  ASSERT_EQ(ok.code, kExitOk) << ok.err;
  EXPECT_EQ(ok.out.rfind("wrote " + page + " (1 computers, ", 0), 0u) << ok.out;
  const std::string html = Slurp(page);
  EXPECT_EQ(html.rfind("<!DOCTYPE html>\n<html lang=\"ja\">", 0), 0u);
  EXPECT_NE(html.find("<span id=\"generated\">2026-12-08 00:00:00</span>"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(page + ".part"));
}

// A folder gets the site page and a page per computer; names that differ
// only in case get pages of their own, and the site page links each.
TEST_F(ReportCommand, FolderHoldsTheSitePageAndAPagePerComputer) {
  testing::PcSpec pc;
  pc.computer = "pc-01";
  testing::WriteFile(dir_ / "pc-01.tsv", testing::ResultBytes(pc));
  ASSERT_EQ(RunFleet({"load", dir_ / "pc-01.tsv", "--db", db_}).code, kExitOk);
  const std::string folder = dir_ / "site";
  const Outcome ok = RunFleet({"report", "--db", db_, "--out", folder, "--now", "2026-12-08"});
  ASSERT_EQ(ok.code, kExitOk) << ok.err;
  EXPECT_EQ(ok.out.rfind("wrote " + folder + "/index.html and 2 computer pages", 0), 0u) << ok.out;
  const std::string site = Slurp(folder + "/index.html");
  std::size_t pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder + "/computers")) {
    const std::string file = entry.path().filename().string();
    const std::string page = Slurp(entry.path().string());
    const bool upper = page.find("<h1 id=\"computer-name\">PC-01</h1>") != std::string::npos;
    const bool lower = page.find("<h1 id=\"computer-name\">pc-01</h1>") != std::string::npos;
    EXPECT_TRUE(upper != lower) << file;
    const std::string link =
        std::string("<a href=\"computers/") + file + "\">" + (upper ? "PC-01" : "pc-01") + "</a>";
    EXPECT_NE(site.find(link), std::string::npos) << link;
    EXPECT_NE(page.find("href=\"../index.html\""), std::string::npos);
    ++pages;
  }
  EXPECT_EQ(pages, 2u);
  EXPECT_FALSE(std::filesystem::exists(folder + "/index.html.part"));
}

// The applications table of a computer page says since when each one has
// been there: the run that added it, or the first run for one always there.
TEST_F(ReportCommand, ComputerPageSaysSinceWhenEachApplicationIsThere) {
  testing::PcSpec pc;
  pc.computer = "PC-02";
  pc.date = "2026/10/01";
  pc.apps = {{"Editor", "1.0", "Maker"}, {"Gone", "1", "Maker"}};
  testing::WriteFile(dir_ / "PC-02.tsv", testing::ResultBytes(pc));
  ASSERT_EQ(RunFleet({"load", dir_ / "PC-02.tsv", "--db", db_}).code, kExitOk);
  pc.date = "2026/11/15";
  pc.apps = {{"Editor", "2.0", "Maker"}, {"Viewer", "5", "Maker"}};
  testing::WriteFile(dir_ / "PC-02.tsv", testing::ResultBytes(pc));
  ASSERT_EQ(RunFleet({"load", dir_ / "PC-02.tsv", "--db", db_}).code, kExitOk);
  pc.date = "2026/12/01";
  testing::WriteFile(dir_ / "PC-02.tsv", testing::ResultBytes(pc));
  ASSERT_EQ(RunFleet({"load", dir_ / "PC-02.tsv", "--db", db_}).code, kExitOk);

  const std::string folder = dir_ / "site";
  ASSERT_EQ(RunFleet({"report", "--db", db_, "--out", folder, "--now", "2026-12-08"}).code,
            kExitOk);
  std::string page;
  for (const auto& entry : std::filesystem::directory_iterator(folder + "/computers")) {
    const std::string html = Slurp(entry.path().string());
    if (html.find("<h1 id=\"computer-name\">PC-02</h1>") != std::string::npos) page = html;
  }
  ASSERT_FALSE(page.empty());
  struct Case {
    std::string row;
    std::size_t count;
  } cases[] = {
      {"<th>name</th><th>version</th><th>publisher</th><th>seen_since</th>", 1},
      // Updated, not added: there since the first run.
      {"<tr><td>Editor<td>2.0<td>Maker<td data-p=\"2026-10-01\">2026-10-01 09:00:00</tr>", 1},
      {"<tr><td>Viewer<td>5<td>Maker<td data-p=\"2026-11-15\">2026-11-15 09:00:00</tr>", 1},
      {"<td>Gone<td>1<td>Maker<td>", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CountOf(page, c.row), c.count) << c.row;
}

TEST_F(ReportCommand, WrongUsageIsOneLineAndExitTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"report", "--lang", "fr"}, "--lang is en or ja, got 'fr'"},
      {{"report", "--now", "12/08/2026"}, "--now wants YYYY-MM-DD"},
      {{"report", "--now", "2026-02-30"}, "--now wants YYYY-MM-DD"},
      {{"report", "--now", "2026-12-08T10:00:00"}, "--now wants YYYY-MM-DD"},
      {{"report", "--out", ""}, "--out needs a file or folder name"},
      {{"report", "page.html"}, "unexpected argument 'page.html'"},
      {{"report", "--db", "/nonexistent/folder/x.sqlite"}, "report: "},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    for (const auto& [option, value] :
         {std::pair<std::string, std::string>{"--db", db_}, {"--out", dir_ / "unused.html"}}) {
      if (std::find(args.begin(), args.end(), option) == args.end()) {
        args.insert(args.end(), {option, value});
      }
    }
    const Outcome outcome = RunFleet(args);
    EXPECT_EQ(outcome.code, kExitError) << c.error;
    EXPECT_NE(outcome.err.find(c.error), std::string::npos) << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "unused.html"));
}

TEST_F(ReportCommand, DatabaseWithoutFleetDataIsAnError) {
  OpenDatabase(dir_ / "empty.sqlite");  // a database, but no fleet tables in it
  Outcome outcome = RunFleet({"report", "--db", dir_ / "empty.sqlite", "--out", dir_ / "p.html"});
  EXPECT_EQ(outcome.code, kExitError);
  EXPECT_NE(outcome.err.find("no fleet data in"), std::string::npos) << outcome.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "p.html"));
  // A wrong name makes no database file.
  outcome = RunFleet({"report", "--db", dir_ / "typo.sqlite", "--out", dir_ / "p.html"});
  EXPECT_NE(outcome.err.find("no such database: " + dir_ / "typo.sqlite"), std::string::npos)
      << outcome.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "typo.sqlite"));
}

// Files beside the page other than the page itself: a temporary file that
// stayed behind would show here.
std::vector<std::string> OtherFiles(const std::string& folder, const std::string& page) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    // Compared as paths: on Windows the listing joins names with "\".
    if (entry.path() != std::filesystem::path(page) && name != "fleet.sqlite" &&
        name != "PC-01.tsv" && name.rfind("fleet.sqlite-", 0) != 0) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ReportCommand, FailedReplaceKeepsThePreviousPageAndNoTemporaryFile) {
  const std::string page = dir_ / "site.html";
  ASSERT_EQ(RunFleet({"report", "--db", db_, "--out", page}).code, kExitOk);
  const std::string before = Slurp(page);
  // The page cannot be replaced by a file: a folder stands in its way.
  const std::string folder_page = dir_ / "folder.html";
  std::filesystem::create_directory(folder_page);
  const Outcome failed = RunFleet({"report", "--db", db_, "--out", folder_page});
  EXPECT_EQ(failed.code, kExitError);
  EXPECT_NE(failed.err.find("cannot replace " + folder_page + ": "), std::string::npos)
      << failed.err;
  EXPECT_TRUE(std::filesystem::is_directory(folder_page));
  EXPECT_EQ(OtherFiles(dir_.path(), page), std::vector<std::string>{"folder.html"});
  EXPECT_EQ(Slurp(page), before);
}

// The computer pages are written on threads of their own: one that cannot
// be replaced still fails the report, named, and the site page that would
// link to it is not written.
TEST_F(ReportCommand, AComputerPageThatCannotBeWrittenFailsTheReport) {
  const std::string folder = dir_ / "site";
  const std::string blocked = folder + "/computers/" + ComputerPageFile("PC-01");
  std::filesystem::create_directories(blocked);
  const Outcome failed = RunFleet({"report", "--db", db_, "--out", folder});
  EXPECT_EQ(failed.code, kExitError);
  // The folder's separator is the system's own on Windows.
  EXPECT_NE(failed.err.find("cannot replace "), std::string::npos) << failed.err;
  EXPECT_NE(failed.err.find(ComputerPageFile("PC-01") + ": "), std::string::npos) << failed.err;
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  EXPECT_FALSE(std::filesystem::exists(folder + "/index.html"));
  EXPECT_EQ(OtherFiles(folder + "/computers", blocked), std::vector<std::string>{});
}

// Links planted where the page or its old temporary file would go are never
// written through: the files they point at stay as they were, and the page
// becomes a file of its own.
TEST_F(ReportCommand, LinksBesideThePageAreNeverWrittenThrough) {
  const std::string page = dir_ / "site.html";
  const std::string victim = dir_ / "victim.txt";
  testing::WriteFile(victim, "precious");
  for (const std::string& link : {page + ".part", page + ".tmp", page}) {
    std::error_code error;
    std::filesystem::create_symlink(victim, link, error);
    // Wine, for one, makes no symbolic links for a Windows program.
    if (error || !std::filesystem::is_symlink(link)) {
      GTEST_SKIP() << "no symbolic links on this system: " << error.message();
    }
  }
  const Outcome ok = RunFleet({"report", "--db", db_, "--out", page});
  ASSERT_EQ(ok.code, kExitOk) << ok.err;
  EXPECT_EQ(Slurp(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(page));
  EXPECT_EQ(Slurp(page).rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_EQ(OtherFiles(dir_.path(), page),
            (std::vector<std::string>{"site.html.part", "site.html.tmp", "victim.txt"}));
  EXPECT_TRUE(std::filesystem::is_symlink(page + ".part"));
}

}  // namespace
}  // namespace norvale::fleet
