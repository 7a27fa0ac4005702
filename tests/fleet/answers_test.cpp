// The everyday questions through the command line, on English and Japanese
// files, against SQLite and a real PostgreSQL server.
#include "fleet/query/answers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "fleet/cli.h"
#include "fleet/command_table.h"
#include "fleet/common/timestamps.h"
#include "fleet/query/queries.h"
#include "fleet/store/database.h"
#include "tests/fleet/fleet_world.h"
#include "tests/fleet/postgres_server.h"

namespace norvale::fleet::testing {
namespace {

class FleetAnswers : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    target_ = GetParam() == "sqlite" ? dir_ / "fleet.sqlite" : FreshPostgresTarget();
    ASSERT_FALSE(target_.empty());
    share_ = dir_ / "share";
    std::filesystem::create_directory(share_);
  }

  // Each file written when its header says: a run dated in the future is
  // then no clock running ahead.
  void Put(const PcSpec& pc, const std::string& folder = "") {
    const std::string dir = folder.empty() ? share_ : share_ + "/" + folder;
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/" + pc.computer + (pc.csv ? ".csv" : ".tsv");
    WriteFile(path, ResultBytes(pc));
    SetFileTime(path, NormaliseRunAt(pc.date, pc.time));
  }

  // The site: an English and a Japanese PC with little free disk and memory
  // on Windows 7, two roomy ones, one silent since 2020.
  void PutSite() {
    // Dates far from today's, so the day counts hold whenever the test runs.
    PcSpec a;
    a.computer = "PC-EN7";
    a.date = "2098/06/01";
    a.windows = "Windows 7 Professional (Build 7601) SP1";
    a.memory_mb = "4096";
    a.disk_gb = "100.0";
    a.disk_free_gb = "5.0";
    a.apps = {{"Firefox", "13.0", "Mozilla"}, {"Agent", "4.2", "Acme"}};
    PcSpec b = a;
    b.computer = "PC-JA7";
    b.japanese = true;
    b.csv = true;
    b.user = "山田0125";
    b.mac = "9B:90:DF:01:02:03";
    b.ip = "192.168.001.020";
    b.apps = {{"Firefox", "6.0", "Mozilla"}, {"Agent", "4.2", "Acme"}};
    PcSpec c;
    c.computer = "PC-BIG";
    c.memory_mb = "32768";
    c.apps = {{"Firefox", "27.0", "Mozilla"}};
    PcSpec d = c;
    d.computer = "PC-JABIG";
    d.date = "2098/06/01";
    d.memory_mb = "16384";
    d.japanese = true;
    d.apps = {{"Firefox", "20.0", "Mozilla"}, {"ツール", "1.0", "社内"}};
    PcSpec old = c;
    old.computer = "PC-OLD";
    old.date = "2020/01/15";
    old.apps = {{"Firefox", "6.0", "Mozilla"}};
    for (const PcSpec& pc : {a, b, c, d, old}) Put(pc);
    // A later run of PC-BIG, in the far future so it stays the newest.
    c.date = "2099/01/01";
    c.apps = {{"Firefox", "27.0", "Mozilla"}, {"Office", "16.0", "Microsoft"}};
    Put(c, "later");
    ASSERT_EQ(Cli({"load", share_, "--recursive"}).code, kExitOk) << last_.err;
  }

  struct Result {
    int code;
    std::string out, err;
  };
  // `width`: the columns of the terminal the answer goes to; 0 when none.
  Result Cli(std::vector<std::string> args, std::size_t width = 0) {
    args.push_back("--db");
    args.push_back(target_);
    std::ostringstream out, err;
    CommandIo io{out, err, false, width};
    const int code = RunCommandLine(FleetCommands(), args, io);
    last_ = {code, out.str(), err.str()};
    return last_;
  }
  // The first column of each line of a TSV answer, header left out.
  std::vector<std::string> FirstColumn(std::vector<std::string> args) {
    args.insert(args.end(), {"--format", "tsv"});
    const Result r = Cli(args);
    EXPECT_EQ(r.code, kExitOk) << r.err;
    std::vector<std::string> out;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) out.push_back(line.substr(0, line.find('\t')));
    return out;
  }

  TempDir dir_;
  std::string target_, share_;
  Result last_;
};

using Names = std::vector<std::string>;

TEST_P(FleetAnswers, ComputersByCriteriaInEitherLanguage) {
  PutSite();
  struct Case {
    std::vector<std::string> args;
    Names want;
  } cases[] = {
      {{"computers"}, {"PC-BIG", "PC-EN7", "PC-JA7", "PC-JABIG", "PC-OLD"}},
      {{"computers", "--where", "disk_free_pct<10"}, {"PC-EN7", "PC-JA7"}},
      {{"computers", "--where", "memory_mb<8192"}, {"PC-EN7", "PC-JA7"}},
      {{"computers", "--where", "windows=*windows 7*"}, {"PC-EN7", "PC-JA7"}},
      {{"computers", "--where", "windows!=*Windows 7*"}, {"PC-BIG", "PC-JABIG", "PC-OLD"}},
      {{"computers", "--where", "last_seen>30d"}, {"PC-OLD"}},
      {{"computers", "--where", "last_seen<30d"}, {"PC-BIG", "PC-EN7", "PC-JA7", "PC-JABIG"}},
      {{"computers", "--where", "last_seen<2021-01-01"}, {"PC-OLD"}},
      {{"computers", "--where", "memory_mb>=8192", "--where", "last_seen>2026-01-01"},
       {"PC-BIG", "PC-JABIG"}},
      {{"computers", "--where", "memory_mb>=8192,user_name=TARO"},
       {"PC-BIG", "PC-JABIG", "PC-OLD"}},
      {{"computers", "--where", "user_name=山田*"}, {"PC-JA7"}},
      {{"computers", "--sort", "-memory_mb", "--where", "memory_mb>5000"},
       {"PC-BIG", "PC-OLD", "PC-JABIG"}},
      {{"computers", "--sort", "last_seen"}, {"PC-OLD", "PC-EN7", "PC-JA7", "PC-JABIG", "PC-BIG"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstColumn(c.args), c.want) << ::testing::PrintToString(c.args);
  }
  const Result r = Cli({"computers", "--columns", "computer,ip,disk_free_pct,memory_mb", "--where",
                        "computer=pc-ja7", "--format", "csv"});
  EXPECT_EQ(r.out, "computer,ip,disk_free_pct,memory_mb\nPC-JA7,192.168.1.20,5,4096\n");
}

TEST_P(FleetAnswers, OneComputerInAnyCaseAndAtAnEarlierRun) {
  PutSite();
  Result r = Cli({"computer", "pc-big", "--format", "tsv"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  for (const char* part : {"[Run]", "PC-BIG\t", "2099-01-01 09:00:00", "[Operating system]",
                           "windows\tWindows 10 Pro", "memory_total_mb\t32768", "[Applications]",
                           "Office\t16.0\tMicrosoft", "[Last changes]", "added"}) {
    EXPECT_NE(r.out.find(part), std::string::npos) << part << " in\n" << r.out;
  }
  r = Cli({"computer", "PC-JA7", "--lang", "ja", "--format", "tsv"});
  for (const char* part : {"[オペレーティング システム]", "[ハードウェア]", "user_name\t山田0125",
                           "\t192.168.1.20\t"}) {
    EXPECT_NE(r.out.find(part), std::string::npos) << part << " in\n" << r.out;
  }
  EXPECT_EQ(r.out.find("[最近の変更]"), std::string::npos);  // its only run

  r = Cli({"computer", "PC-BIG", "--at", "2026-12-31", "--format", "tsv"});
  EXPECT_NE(r.out.find("2026-12-01 09:00:00"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Office"), std::string::npos) << r.out;

  // On an 80-column terminal the last changes keep the older run's time
  // whole, without the computer and the newer run's time the run table shows.
  r = Cli({"computer", "PC-BIG"}, 80);
  const std::string changes = r.out.substr(r.out.find("[Last changes]\n") + 15);
  EXPECT_EQ(changes.rfind("from  ", 0), 0u) << changes;
  EXPECT_NE(changes.find("\n2026-12-01 09:00:00  added"), std::string::npos) << changes;
  EXPECT_EQ(changes.find("2099-01-01"), std::string::npos) << changes;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(DisplayWidth(line), 80u) << line;
  // Anything but a table on a terminal keeps every column.
  r = Cli({"computer", "PC-BIG", "--format", "tsv"}, 80);
  EXPECT_NE(r.out.find("computer\tfrom\tto\tchange"), std::string::npos) << r.out;

  struct Failure {
    std::vector<std::string> args;
    const char* message;
  } failures[] = {
      {{"computer", "PC-NONE"}, "no computer named 'PC-NONE'"},
      {{"computer", "PC-BIG", "--at", "2001-01-01"}, "no run of PC-BIG matches"},
      {{"computer", "PC-BIG", "--run", "999999"}, "no run of PC-BIG matches"},
      {{"software", "--computer", "nobody"}, "no computer named 'nobody'"},
      {{"changes", "--computer", "nobody"}, "no computer named 'nobody'"},
  };
  for (const Failure& f : failures) {
    r = Cli(f.args);
    EXPECT_EQ(r.code, kExitError);
    EXPECT_NE(r.err.find(f.message), std::string::npos) << r.err;
  }
}

// The rows of one section, or nothing when the run has no such section.
std::vector<std::vector<std::string>> SectionRows(const std::vector<Section>& sections,
                                                  const std::string& table) {
  for (const Section& section : sections) {
    if (section.table == table) return section.rows.rows;
  }
  return {};
}

// Every kind of several runs comes in one query: each run gets its own rows,
// in line order, in whatever order the runs are asked for, and the same
// statement asked again (prepared by then on PostgreSQL) answers the same.
TEST_P(FleetAnswers, SeveralRunsAtOnceAnswerAsEachAlone) {
  PutSite();
  auto db = OpenDatabase(target_);
  std::vector<std::int64_t> ids;
  for (const Row& row : db->Query("SELECT run_id FROM runs ORDER BY run_id")) {
    ids.push_back(std::stoll(row[0].value_or("0")));
  }
  ASSERT_EQ(ids.size(), 6u);
  const std::vector<std::int64_t> reversed(ids.rbegin(), ids.rend());
  for (const auto& order : {ids, reversed, ids}) {
    const auto together = AnswerComputerRuns(*db, order);
    ASSERT_EQ(together.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
      const std::string id = std::to_string(order[i]);
      std::vector<std::vector<std::string>> applications;
      for (const Row& row : db->Query(
               "SELECT name, version, publisher FROM applications WHERE run_id = ? ORDER BY line",
               {id})) {
        applications.push_back({row[0].value_or(""), row[1].value_or(""), row[2].value_or("")});
      }
      EXPECT_EQ(SectionRows(together[i], "applications"), applications) << "run " << id;
      const auto alone = AnswerComputer(*db, order[i]);
      ASSERT_EQ(together[i].size(), alone.size()) << "run " << id;
      for (std::size_t s = 0; s < alone.size(); ++s) {
        EXPECT_EQ(together[i][s].table, alone[s].table);
        EXPECT_EQ(together[i][s].rows.header, alone[s].rows.header);
        EXPECT_EQ(together[i][s].rows.rows, alone[s].rows.rows) << alone[s].table;
      }
    }
  }
  // Figures and Japanese text come through as each engine stores them.
  const auto newest = [&](const std::string& computer) {
    const auto rows = db->Query("SELECT run_id FROM latest_runs WHERE computer = ?", {computer});
    return AnswerComputer(*db, std::stoll(rows.at(0)[0].value_or("0")));
  };
  using Fields = std::vector<std::vector<std::string>>;
  struct Field {
    const char* computer;
    const char* table;
    std::vector<std::string> field;
  } fields[] = {
      {"PC-BIG", "hardware", {"memory_total_mb", "32768"}},
      {"PC-EN7", "hardware", {"system_disk_free_gb", "5"}},
      {"PC-JA7", "lan", {"user_name", "山田0125"}},
  };
  for (const Field& f : fields) {
    const Fields got = SectionRows(newest(f.computer), f.table);
    EXPECT_NE(std::find(got.begin(), got.end(), f.field), got.end())
        << f.computer << " " << f.table << " " << f.field[0];
  }
  const Fields adapters = SectionRows(newest("PC-JA7"), "adapters");
  ASSERT_FALSE(adapters.empty());
  EXPECT_NE(std::find(adapters[0].begin(), adapters[0].end(), "192.168.1.20"), adapters[0].end());
  EXPECT_TRUE(AnswerComputerRuns(*db, {}).empty());
}

TEST_P(FleetAnswers, SearchFindsLatestFactsAndNamesInAnyCase) {
  PutSite();
  struct Case {
    std::string text;
    Names want;  // computers of the rows found
  } cases[] = {
      {"9b:90:df", {"PC-JA7"}}, {"山田", {"PC-JA7"}},   {"192.168.1.20", {"PC-JA7"}},
      {"jabig", {"PC-JABIG"}},  {"office", {"PC-BIG"}},  // the newest run only
      {"ツール", {"PC-JABIG"}}, {"100%", {}},            // LIKE's wildcards are plain characters
  };
  // The same answers from a database made before search texts were kept,
  // which gains them only at its next load.
  for (const bool with_search_texts : {true, false}) {
    if (!with_search_texts) OpenDatabase(target_)->Execute("DROP TABLE run_search_texts");
    for (const Case& c : cases) {
      Names got = FirstColumn({"search", c.text});
      got.erase(std::unique(got.begin(), got.end()), got.end());
      EXPECT_EQ(got, c.want) << c.text << (with_search_texts ? "" : " (no search texts)");
    }
  }
}

// What search answers is what a scan of every latest fact finds: the
// search texts only spare it the runs that cannot match.
TEST_P(FleetAnswers, SearchFindsWhatAScanOfTheLatestFactsFinds) {
  PutSite();
  auto db = OpenDatabase(target_);
  const std::string like = " " + std::string(db->AnyCaseLike()) + " ?";
  const std::string texts[] = {
      "FIREFOX",  "fIrEfOx",   "efo",  "山田",  "田01",         "ツー",
      "ユーザー", "Fire*",     "*ox",  "?ire*", "1*.0",         "0125",
      "mozilla",  "Windows 7", "100%", "_",     "LAN*UserName",  // a pattern across two fields
                                                                 // matches neither
  };
  for (const std::string& text : texts) {
    const Param pattern = LikePattern(text);
    std::string want = "computer\tkind\titem\tvalue\n";
    for (const Row& row : db->Query(
             "SELECT computer, category, item, subitem, contents, unit FROM latest_facts WHERE"
             " contents" +
                 like + " ESCAPE '\\' OR subitem" + like + " ESCAPE '\\' OR item" + like +
                 " ESCAPE '\\' ORDER BY LOWER(computer), computer, line",
             {pattern, pattern, pattern})) {
      const std::string unit = row[5].value_or("");
      want += *row[0] + "\t" + *row[1] + "\t" + *row[2] + " / " + *row[3] + "\t" + *row[4] +
              (unit.empty() ? "" : " " + unit) + "\n";
    }
    const Result r = Cli({"search", text, "--format", "tsv"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    // Names and addresses are found besides the facts: left out here.
    std::string facts;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
      if (line.find("\tcomputer\t") == std::string::npos &&
          line.find("/ ip_address\t") == std::string::npos)
        facts += line + "\n";
    }
    EXPECT_EQ(facts, want) << text;
  }
  EXPECT_NE(Cli({"search", "efo"}).out.find("Firefox"), std::string::npos);
}

TEST_P(FleetAnswers, SoftwareMostInstalledFirstWithVersionsInOrder) {
  PutSite();
  Result r = Cli({"software", "--format", "tsv"});
  EXPECT_EQ(r.out,
            "name\tcomputers\tversions\tpublisher\n"
            "Firefox\t5\t6.0, 13.0, 20.0, 27.0\tMozilla\n"
            "Agent\t2\t4.2\tAcme\n"
            "Office\t1\t16.0\tMicrosoft\n"
            "ツール\t1\t1.0\t社内\n");
  r = Cli({"software", "--versions", "--name", "fire*", "--format", "tsv"});
  EXPECT_EQ(r.out,
            "name\tversion\tpublisher\tcomputers\n"
            "Firefox\t6.0\tMozilla\t2\n"
            "Firefox\t13.0\tMozilla\t1\n"
            "Firefox\t20.0\tMozilla\t1\n"
            "Firefox\t27.0\tMozilla\t1\n");
  r = Cli({"software", "--computer", "pc-ja7", "--format", "tsv"});
  EXPECT_EQ(r.out,
            "name\tversion\tpublisher\tcomputer\n"
            "Agent\t4.2\tAcme\tPC-JA7\n"
            "Firefox\t6.0\tMozilla\tPC-JA7\n");
}

TEST_P(FleetAnswers, UnseenListsTheSilentComputersOldestFirst) {
  PutSite();
  PcSpec later;
  later.computer = "PC-LATER";
  later.date = "2020/03/01";
  Put(later);
  ASSERT_EQ(Cli({"load", share_}).code, kExitOk) << last_.err;
  EXPECT_EQ(FirstColumn({"unseen"}), (Names{"PC-OLD", "PC-LATER"}));
  // Unseen since 2020-02-01: between the two.
  const std::string days = std::to_string(*DayNumber(NowUtc()) - *DayNumber("2020-02-01 00:00:00"));
  EXPECT_EQ(FirstColumn({"unseen", "--days", days}), (Names{"PC-OLD"}));
  const Result r = Cli({"unseen", "--days", days, "--format", "csv"});
  EXPECT_NE(r.out.find("PC-OLD,2020-01-15 09:00:00,"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FleetAnswers, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, FleetAnswers, ::testing::Values("postgresql"));

TEST(FleetAnswersVersions, NaturalOrder) {
  const std::vector<std::string> ordered = {"",     "1", "1.2", "1.9", "1.10", "2.0a",
                                            "2.0b", "6", "13",  "020", "27",   "beta"};
  for (std::size_t i = 0; i < ordered.size(); ++i) {
    for (std::size_t j = 0; j < ordered.size(); ++j) {
      EXPECT_EQ(VersionLess(ordered[i], ordered[j]), i < j) << ordered[i] << " vs " << ordered[j];
    }
  }
}

}  // namespace
}  // namespace norvale::fleet::testing
