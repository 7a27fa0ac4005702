#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fleet/common/timestamps.h"
#include "fleet/report/data.h"

namespace norvale::fleet {

void PrintTo(const ChartBar& bar, std::ostream* os) {
  *os << '{' << bar.label << ", " << bar.count << '}';
}

namespace {

ReportComputer Computer(std::string name) {
  ReportComputer c;
  c.name = std::move(name);
  return c;
}

// The band a single computer falls into: the one bar that counts it.
std::string OnlyBar(const std::vector<ChartBar>& bars) {
  std::string hit;
  for (const auto& bar : bars) {
    if (bar.count == 0) continue;
    EXPECT_EQ(bar.count, 1) << bar.label;
    EXPECT_TRUE(hit.empty()) << "counted twice: " << hit << " and " << bar.label;
    hit = bar.label;
  }
  return hit;
}

TEST(ReportData, MemoryBandsByInstalledSize) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    std::optional<double> mb;
    std::string band;
  } cases[] = {
      {512, "\u2264 2 GB"},     {2048, "\u2264 2 GB"},   {2049, "2\u20134 GB"},
      {3991, "2\u20134 GB"},    {8077, "4\u20138 GB"},   {8192, "4\u20138 GB"},
      {8193, "8\u201316 GB"},   {16264, "8\u201316 GB"}, {32768, "16\u201332 GB"},
      {65536, "32\u201364 GB"}, {65537, "> 64 GB"},      {std::nullopt, kUnknownLabel},
      {0, kUnknownLabel},       {-5, kUnknownLabel},     {nan, kUnknownLabel},
  };
  for (const auto& c : cases) {
    auto pc = Computer("PC");
    pc.memory_mb = c.mb;
    EXPECT_EQ(OnlyBar(MemoryBands({pc})), c.band) << (c.mb ? *c.mb : -1);
  }
}

TEST(ReportData, MemoryBandsKeepEveryBandAndAddUnknownOnlyWhenNeeded) {
  auto a = Computer("A"), b = Computer("B");
  a.memory_mb = 8077;
  b.memory_mb = 8192;
  auto bars = MemoryBands({a, b});
  ASSERT_EQ(bars.size(), 7u);  // no unknown bar
  EXPECT_EQ(bars[2], (ChartBar{"4\u20138 GB", 2}));
  b.memory_mb.reset();
  bars = MemoryBands({a, b});
  ASSERT_EQ(bars.size(), 8u);
  EXPECT_EQ(bars.back(), (ChartBar{kUnknownLabel, 1}));
}

TEST(ReportData, DiskFreeBandsByPercentOfSize) {
  struct Case {
    std::optional<double> total, free;
    std::string band;
  } cases[] = {
      {100, 0, "< 10 %"},
      {100, 9.9, "< 10 %"},
      {465.7, 46.5, "< 10 %"},
      {100, 10, "10\u201325 %"},
      {100, 24.99, "10\u201325 %"},
      {100, 25, "25\u201350 %"},
      {100, 50, "\u2265 50 %"},
      {100, 100, "\u2265 50 %"},
      {0, 0, kUnknownLabel},
      {100, 120, kUnknownLabel},
      {100, -1, kUnknownLabel},
      {std::nullopt, 5, kUnknownLabel},
      {100, std::nullopt, kUnknownLabel},
  };
  for (const auto& c : cases) {
    auto pc = Computer("PC");
    pc.disk_total_gb = c.total;
    pc.disk_free_gb = c.free;
    EXPECT_EQ(OnlyBar(DiskFreeBands({pc})), c.band)
        << (c.total ? *c.total : -1) << " / " << (c.free ? *c.free : -1);
  }
}

TEST(ReportData, LowDiskComputersAreNamedFullestFirst) {
  auto a = Computer("PC-A"), b = Computer("PC-B"), c = Computer("PC-C"), d = Computer("PC-D");
  a.disk_total_gb = 100, a.disk_free_gb = 8;
  b.disk_total_gb = 100, b.disk_free_gb = 2;
  c.disk_total_gb = 100, c.disk_free_gb = 10;  // exactly 10 %: not short
  d.disk_total_gb = 200, d.disk_free_gb = 4;   // 2 %, ties with B by name
  EXPECT_EQ(LowDiskComputers({a, b, c, d}), (std::vector<std::string>{"PC-B", "PC-D", "PC-A"}));
}

TEST(ReportData, WindowsVersionsMostCommonFirstThenByName) {
  std::vector<ReportComputer> pcs;
  for (const char* w : {"Windows 10 Pro", "Windows 11 Pro", "Windows 7", "Windows 11 Pro", "",
                        "Windows 10 Pro", "Windows 8.1"}) {
    pcs.push_back(Computer("PC"));
    pcs.back().windows = w;
  }
  EXPECT_EQ(WindowsVersionBars(pcs), (std::vector<ChartBar>{{"Windows 10 Pro", 2},
                                                            {"Windows 11 Pro", 2},
                                                            {"Windows 7", 1},
                                                            {"Windows 8.1", 1},
                                                            {kUnknownLabel, 1}}));
}

TEST(ReportData, CpuModelsPastTheLimitAreSummedAsOther) {
  std::vector<ReportComputer> pcs;
  const std::pair<const char*, int> models[] = {{"A", 5}, {"B", 4}, {"C", 3}, {"D", 2}, {"E", 1}};
  for (const auto& [model, n] : models) {
    for (int i = 0; i < n; ++i) {
      pcs.push_back(Computer("PC"));
      pcs.back().cpu = model;
    }
  }
  EXPECT_EQ(CpuModelBars(pcs, 3), (std::vector<ChartBar>{{"A", 5}, {"B", 4}, {kOtherLabel, 6}}));
  EXPECT_EQ(CpuModelBars(pcs, 5).size(), 5u);  // exactly at the limit: nothing summed
  EXPECT_EQ(CpuModelBars(pcs, 5).back(), (ChartBar{"E", 1}));
}

TEST(ReportData, TopApplicationsCountComputersAndStopAtTheLimit) {
  std::vector<ReportApplication> apps;
  for (int i = 0; i < 25; ++i) {
    ReportApplication app;
    app.name = "App " + std::to_string(i);
    for (std::uint32_t k = 0; k < static_cast<std::uint32_t>(i % 7); ++k)
      app.computers.push_back(k);
    apps.push_back(app);
  }
  auto top = TopApplications(apps, 20);
  ASSERT_EQ(top.size(), 20u);
  EXPECT_EQ(top.front(), (ChartBar{"App 13", 6}));  // 6, 13, 20 have six; by name "App 13" first
  EXPECT_EQ(top[1], (ChartBar{"App 20", 6}));
  EXPECT_EQ(top[2], (ChartBar{"App 6", 6}));
  for (std::size_t i = 1; i < top.size(); ++i) EXPECT_GE(top[i - 1].count, top[i].count);
}

TEST(ReportData, DayNumbersOfCalendarDates) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> day;
  } cases[] = {
      {"1970-01-01", 0},
      {"1970-01-02 00:00:00", 1},
      {"2000-03-01", 11017},
      {"2024-02-29 23:59:59", 19782},
      {"2026-12-08 09:00:00", 20795},
      {"2023-02-29", std::nullopt},
      {"1900-02-29", std::nullopt},
      {"2026-13-01", std::nullopt},
      {"2026-04-31", std::nullopt},
      {"2026/12/08", std::nullopt},
      {"26-12-08", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DayNumber(c.text), c.day) << c.text;
}

TEST(ReportData, ComputersNotSeenForThirtyDays) {
  struct Case {
    const char* last_run;
    bool not_seen;
  } cases[] = {
      {"2026-12-08 09:00:00", false}, {"2026-11-08 09:00:00", false},  // exactly 30 days
      {"2026-11-08 08:59:59", true},  {"2025-01-01", true},           {"", true},
      {"12/08/2026", true},  // no recognised date: not seen
  };
  for (const auto& c : cases) {
    auto pc = Computer("PC");
    pc.last_run = c.last_run;
    EXPECT_EQ(ComputersNotSeenFor({pc}, "2026-12-08 09:00:00", 30), c.not_seen ? 1 : 0)
        << c.last_run;
  }
  EXPECT_EQ(ComputersNotSeenFor({Computer("A")}, "not a date", 30), 0);
}

TEST(ReportData, UnseenAndLowMemoryListsNameTheirComputersInOrder) {
  std::vector<ReportComputer> pcs;
  const std::pair<const char*, std::optional<double>> specs[] = {
      {"2026-12-01 09:00:00", 8077}, {"2026-10-01 09:00:00", 3991}, {"", 4096},
      {"2026-06-01 09:00:00", 4097}, {"2026-11-30 09:00:00", 0},    {"2026-11-30 09:00:00", {}},
      {"2026-11-30 09:00:00", 2047},
  };
  for (const auto& [last_run, memory] : specs) {
    pcs.push_back(Computer("PC" + std::to_string(pcs.size())));
    pcs.back().last_run = last_run;
    pcs.back().memory_mb = memory;
  }
  // Undated first, then the longest unseen.
  EXPECT_EQ(ComputersNotSeen(pcs, "2026-12-08 09:00:00", 30),
            (std::vector<std::uint32_t>{2, 3, 1}));
  // 4 GB and less, smallest first; no figure and 0 are not low, they are unknown.
  EXPECT_EQ(LowMemoryComputers(pcs), (std::vector<std::uint32_t>{6, 1, 2}));
  EXPECT_EQ(DaysBetween("2026-10-01 09:00:00", "2026-12-08 09:00:00"), 68);
  EXPECT_EQ(DaysBetween("2026-12-08 08:00:00", "2026-12-08 09:00:00"), 0);
  EXPECT_EQ(DaysBetween("", "2026-12-08 09:00:00"), std::nullopt);
}

}  // namespace
}  // namespace norvale::fleet
