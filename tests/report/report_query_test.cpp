#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/utf.h"
#include "fleet/common/timestamps.h"
#include "fleet/load/loader.h"
#include "fleet/query/queries.h"
#include "fleet/report/query.h"
#include "fleet/report/site_page.h"
#include "tests/fleet/fleet_world.h"

namespace norvale::fleet {
namespace {

using testing::PcSpec;

TEST(ReportQuery, SizesAsTheResultFileWritesThem) {
  struct Case {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"8077", 8077},
      {"237.9", 237.9},
      {"237,9", 237.9},
      {"0", 0},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"-5", std::nullopt},
      {"12 GB", std::nullopt},
      {"1,234.5", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSize(c.text), c.value) << c.text;
}

TEST(ReportQuery, DaysBeforeCrossesMonthsYearsAndLeapDays) {
  struct Case {
    const char* now;
    int days;
    const char* want;
  } cases[] = {
      {"2026-12-08 09:00:00", 30, "2026-11-08 09:00:00"},
      {"2026-01-15 23:59:59", 30, "2025-12-16 23:59:59"},
      {"2024-03-30", 30, "2024-02-29 00:00:00"},
      {"2026-03-01 10:00:00", 1, "2026-02-28 10:00:00"},
      {"2026-12-08 09:00:00", 0, "2026-12-08 09:00:00"},
      {"not a date", 30, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DaysBefore(c.now, c.days), c.want) << c.now;
}

// A small site in a real SQLite file: an English PC seen twice (its first
// run with an error row), a Japanese PC whose adapter collector failed and
// whose disk is nearly full, and a PC not seen since October.
class ReportSite : public ::testing::Test {
 protected:
  void SetUp() override {
    PcSpec a;
    a.computer = "PC-A";
    a.date = "2026/11/20";
    a.memory_mb = "8077";
    a.apps = {{"Editor", "1.0", "Maker"}, {"Old Tool", "3", "Maker"}};
    a.adapter_error = true;
    Write("first", a);
    a.adapter_error = false;
    a.date = "2026/12/05";
    a.memory_mb = "16264";
    a.apps = {{"Editor", "2.0", "Maker"}, {"Viewer <Pro>", "5", "\"Quoted\" Inc."}};
    Write("second", a);

    PcSpec b;
    b.computer = "経理部-PC01";
    b.japanese = true;
    b.csv = true;
    b.date = "2026/12/07";
    b.disk_gb = "100.0";
    b.disk_free_gb = "5.0";
    b.adapter_error = true;
    b.apps = {{"Editor", "1.0", "Maker"}, {"経費精算", "2024 版", "株式会社"}};
    Write("second", b);

    PcSpec c;
    c.computer = "PC-C";
    c.date = "2026/10/01";
    c.memory_mb = "";
    Write("first", c);

    db_ = OpenDatabase(dir_ / "fleet.sqlite");
    testing::RecordingObserver observer;
    for (const char* folder : {"first", "second"}) {
      const auto summary = LoadResultFiles(*db_, {dir_ / folder}, LoadOptions{}, observer);
      ASSERT_EQ(summary.rejected, 0) << observer.rejected.front();
    }
  }

  void Write(const std::string& folder, const PcSpec& pc) {
    std::filesystem::create_directories(dir_ / folder);
    testing::WriteFile(dir_ / (folder + "/" + pc.computer + (pc.csv ? ".csv" : ".tsv")),
                       testing::ResultBytes(pc));
  }

  const ReportComputer& Find(const ReportData& data, const std::string& name) {
    auto found = std::find_if(data.computers.begin(), data.computers.end(),
                              [&](const ReportComputer& c) { return c.name == name; });
    EXPECT_NE(found, data.computers.end()) << name;
    return *found;
  }

  testing::TempDir dir_;
  std::unique_ptr<Database> db_;
};

TEST_F(ReportSite, ComputersFromTheirNewestRuns) {
  const ReportData data = GatherReportData(*db_, "2026-12-08 09:00:00");
  ASSERT_EQ(data.computers.size(), 3u);
  const auto& a = Find(data, "PC-A");
  EXPECT_EQ(a.last_run, "2026-12-05 09:00:00");
  EXPECT_EQ(a.memory_mb, 16264);
  EXPECT_EQ(a.disk_total_gb, 237.9);
  EXPECT_EQ(a.ip, "192.168.1.10");
  EXPECT_EQ(a.error_rows, 0);
  const auto& b = Find(data, "経理部-PC01");
  EXPECT_EQ(DiskFreePercent(b), 5.0);
  EXPECT_EQ(b.error_rows, 1);
  EXPECT_EQ(Find(data, "PC-C").memory_mb, std::nullopt);

  EXPECT_EQ(data.totals.runs_loaded, 4);
  EXPECT_EQ(data.totals.newest_run, "2026-12-07 09:00:00");
  EXPECT_EQ(data.totals.oldest_run, "2026-10-01 09:00:00");
  EXPECT_EQ(ComputersNotSeenFor(data.computers, data.generated_at, 30), 1);
  EXPECT_EQ(LowDiskComputers(data.computers), std::vector<std::string>{"経理部-PC01"});
}

// The site page takes each computer's newest run, its time and its error
// count from one reading of the newest runs.
TEST_F(ReportSite, SummaryCarriesTheNewestRunItsTimeAndErrorCount) {
  const auto computers = ListComputers(*db_);
  ASSERT_EQ(computers.size(), 3u);
  const auto newest = db_->Query("SELECT computer, run_id FROM latest_runs ORDER BY computer");
  ASSERT_EQ(newest.size(), 3u);
  struct Case {
    std::string seen_at;
    int error_count;
  } cases[] = {{"2026-12-05 09:00:00", 0}, {"2026-10-01 09:00:00", 0}, {"2026-12-07 09:00:00", 1}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(computers[i].computer, Text(newest[i][0]));
    EXPECT_EQ(std::to_string(computers[i].run_id), Text(newest[i][1])) << computers[i].computer;
    EXPECT_EQ(computers[i].seen_at, cases[i].seen_at) << computers[i].computer;
    EXPECT_EQ(computers[i].error_count, cases[i].error_count) << computers[i].computer;
  }
}

TEST_F(ReportSite, ApplicationsGatherEveryVersionAndComputer) {
  const ReportData data = GatherReportData(*db_, "2026-12-08 09:00:00");
  auto app = [&](const std::string& name) {
    auto found = std::find_if(data.applications.begin(), data.applications.end(),
                              [&](const ReportApplication& a) { return a.name == name; });
    EXPECT_NE(found, data.applications.end()) << name;
    std::vector<std::string> computers;
    for (auto i : found->computers) computers.push_back(data.computers.at(i).name);
    std::sort(computers.begin(), computers.end());
    return std::make_pair(found->versions, computers);
  };
  // Only newest runs count: "Old Tool" left PC-A with its second run.
  EXPECT_EQ(data.applications.size(), 3u);
  EXPECT_EQ(app("Editor"), std::make_pair(std::vector<std::string>{"1.0", "2.0"},
                                          std::vector<std::string>{"PC-A", "経理部-PC01"}));
  EXPECT_EQ(app("経費精算"), std::make_pair(std::vector<std::string>{"2024 版"},
                                            std::vector<std::string>{"経理部-PC01"}));
  EXPECT_EQ(TopApplications(data.applications).front(), (ChartBar{"Editor", 2}));
}

// Applications come in the order of their names' bytes, whatever order the
// database hands their rows in; the publisher shown is the one named with
// the lowest version, then the lowest such name.
TEST_F(ReportSite, ApplicationsInNameOrderWithThePublisherOfTheLowestVersion) {
  PcSpec d;
  d.computer = "PC-D";
  d.date = "2026/12/06";
  d.apps = {
      {"editor", "1", "small"}, {"Editor", "0.9", "Zed Corp"}, {"Viewer <Pro>", "5", "!First"}};
  Write("third", d);
  PcSpec e;
  e.computer = "PC-E";
  e.date = "2026/12/06";
  e.apps = {{"Editor", "0.9", ""}, {"Viewer <Pro>", "4", ""}, {"Viewer <Pro>", "6", "Later"}};
  Write("third", e);
  testing::RecordingObserver observer;
  ASSERT_EQ(LoadResultFiles(*db_, {dir_ / "third"}, LoadOptions{}, observer).rejected, 0);

  const ReportData data = GatherReportData(*db_, "2026-12-08 09:00:00");
  std::vector<std::pair<std::string, std::string>> names_and_publishers;
  for (const ReportApplication& a : data.applications) {
    names_and_publishers.emplace_back(a.name, a.publisher);
  }
  const std::vector<std::pair<std::string, std::string>> expected = {{"Editor", "Zed Corp"},
                                                                     {"Viewer <Pro>", "!First"},
                                                                     {"editor", "small"},
                                                                     {"経費精算", "株式会社"}};
  EXPECT_EQ(names_and_publishers, expected);
}

TEST_F(ReportSite, ChangesOfTheLastThirtyDaysAndErrorRows) {
  const ReportData data = GatherReportData(*db_, "2026-12-08 09:00:00");
  auto has = [&](const std::string& kind, const std::string& item, const std::string& sub) {
    return std::any_of(data.changes.begin(), data.changes.end(), [&](const ReportChange& c) {
      return c.computer == "PC-A" && c.kind == kind && c.item == item && c.subitem == sub &&
             c.when == "2026-12-05 09:00:00";
    });
  };
  EXPECT_TRUE(has("changed", "PhysicalMemory", "Total"));
  EXPECT_TRUE(has("added", "Application", "Viewer <Pro>"));
  EXPECT_TRUE(has("removed", "Application", "Old Tool"));
  // The same question asked from January sees none of December's changes.
  EXPECT_TRUE(GatherReportData(*db_, "2027-01-20 00:00:00").changes.empty());

  // PC-A's error row was in its older run: only the newest runs' count.
  ASSERT_EQ(data.errors.size(), 1u);
  EXPECT_EQ(data.errors[0].computer, "経理部-PC01");
  EXPECT_EQ(data.errors[0].module, "mAdapter");
  EXPECT_EQ(data.errors[0].number, "-2147217406");
  EXPECT_EQ(data.errors[0].text, "Not found");
}

// The folder's report lists every change once, on a connection of its own,
// and hands them over: the site page's changes are then the same as when it
// asks for those of 30 days itself, and they are asked for at most once.
TEST_F(ReportSite, ChangesHandedOverAreThoseItWouldAskFor) {
  const std::vector<FactChange> every_change = ListChanges(*db_, {});
  ASSERT_FALSE(every_change.empty());
  // Only PC-A has two runs: every change is of its newer one.
  for (const FactChange& c : every_change) ASSERT_EQ(c.to_at, "2026-12-05 09:00:00");
  auto fields = [](const std::vector<ReportChange>& changes) {
    std::vector<std::vector<std::string>> out;
    for (const ReportChange& c : changes) {
      out.push_back(
          {c.computer, c.when, c.kind, c.category, c.item, c.subitem, c.old_value, c.new_value});
    }
    return out;
  };
  struct Case {
    const char* now;
    bool all;  // every change is of the last 30 days, or none
    int asked;
  } cases[] = {
      {"2026-12-08 09:00:00", true, 1},   // three days after the newer run
      {"2027-01-20 00:00:00", false, 1},  // long after
      {"2027-01-04 09:00:00", true, 1},   // the newer run exactly 30 days back
      {"2027-01-04 09:00:01", false, 1},  // a second later
      {"not a date", false, 0},           // no 30 days to count: nothing to ask
  };
  for (const auto& c : cases) {
    int asked = 0;
    const ReportData handed =
        GatherReportData(*db_, c.now, [&]() -> const std::vector<FactChange>& {
          ++asked;
          return every_change;
        });
    const ReportData own = GatherReportData(*db_, c.now);
    EXPECT_EQ(fields(handed.changes), fields(own.changes)) << c.now;
    EXPECT_EQ(handed.changes.size(), c.all ? every_change.size() : 0) << c.now;
    EXPECT_EQ(asked, c.asked) << c.now;
    EXPECT_EQ(handed.errors.size(), own.errors.size()) << c.now;
  }
}

TEST_F(ReportSite, PageShowsTheSiteAsStored) {
  ReportData data = GatherReportData(*db_, "2026-12-08 09:00:00");
  const std::string page = RenderReportHtml(data, ReportLanguage::kJapanese);
  EXPECT_NE(page.find("<dd id=\"total-computers\">3</dd>"), std::string::npos);
  EXPECT_NE(page.find("<span class=\"pc\">経理部-PC01</span>"), std::string::npos);
  EXPECT_NE(page.find("<td>Viewer &lt;Pro&gt;"), std::string::npos);
  EXPECT_NE(page.find("<td>&quot;Quoted&quot; Inc."), std::string::npos);
}

}  // namespace
}  // namespace norvale::fleet
