// What the fleet report shows, gathered once from the database and then
// turned into HTML pages. Nothing here knows HTML or SQL: GatherReportData
// (report/query.cpp) fills these records, the page writers (report/site_page.cpp
// and report/computer_page.cpp) read them, and the charts are counted here so
// both the pages and their tests use the same numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norvale::fleet {

// One computer as its newest run describes it. Texts are as stored; the
// numbers are parsed from them for charts and sorting (empty when the run
// had no usable value).
struct ReportComputer {
  std::string name;
  std::string last_run;  // "YYYY-MM-DD HH:MM:SS" when the run's date was recognised
  std::string windows;
  std::string cpu;
  std::string processors;
  std::optional<double> memory_mb;
  std::optional<double> disk_total_gb;
  std::optional<double> disk_free_gb;
  std::string ip;
  std::string mac;
  std::string domain;
  std::string user;
  int error_rows = 0;
  std::int64_t run_id = 0;            // the newest run
  std::string page;                   // the computer's page from the site page; empty without pages
  std::string clock_ahead;            // a run dated ahead of the clock, not counted as the newest
  std::string clock_ahead_loaded_at;  // when that run was loaded
};

// One application name across the newest runs: every version seen and the
// computers (indexes into ReportData::computers, ascending, no repeats).
struct ReportApplication {
  std::string name;
  std::string publisher;
  std::vector<std::string> versions;
  std::vector<std::uint32_t> computers;
  // Each computer (index) with the version it has, by version then computer.
  std::vector<std::pair<std::uint32_t, std::string>> installs;
  std::string page;  // the application's page from the site page; empty without pages
};

// One fact that differs between two consecutive runs of a computer.
struct ReportChange {
  std::string computer;
  std::string when;  // the newer run's time
  std::string kind;  // "added", "removed" or "changed"
  std::string category;
  std::string item;
  std::string subitem;
  std::string old_value;
  std::string new_value;
};

// An `error` row of a computer's newest run.
struct ReportError {
  std::string computer;
  std::string when;
  std::string category;
  std::string module;
  std::string number;
  std::string text;
};

struct ReportTotals {
  std::int64_t runs_loaded = 0;
  std::string newest_run;
  std::string oldest_run;  // the oldest of the computers' latest runs
};

struct ReportData {
  std::string generated_at;  // "YYYY-MM-DD HH:MM:SS", the reference for "last 30 days"
  std::string version;       // the program that wrote the page
  ReportTotals totals;
  std::vector<ReportComputer> computers;
  std::vector<ReportApplication> applications;
  std::vector<ReportChange> changes;  // of the last 30 days
  std::vector<ReportError> errors;
};

// ---- Chart series -----------------------------------------------------------

struct ChartBar {
  std::string label;
  std::int64_t count = 0;
  bool operator==(const ChartBar&) const = default;
};

// Bars are counted from ReportData alone. Labels that are words of the page
// ("unknown", "other") come back as these markers and are translated there.
inline constexpr const char* kUnknownLabel = "\x01unknown";
inline constexpr const char* kOtherLabel = "\x01other";

// Computers per Windows version, most common first, ties by name.
std::vector<ChartBar> WindowsVersionBars(const std::vector<ReportComputer>& computers);

// CPU models, most common first; models past the first `limit` are summed
// into one "other" bar so the chart stays readable on a mixed site.
std::vector<ChartBar> CpuModelBars(const std::vector<ReportComputer>& computers,
                                   std::size_t limit = 12);

// Physical memory in bands by the installed size: Windows shows a little less
// than the modules hold (8 GB shows as 8077 MB), so a band runs up to and
// including its upper size: "4-8 GB" holds 4097..8192 MB.
std::vector<ChartBar> MemoryBands(const std::vector<ReportComputer>& computers);

// System disk free space in percent of its size: under 10 %, 10-25 %,
// 25-50 %, 50 % and more, unknown. A disk of size 0 counts as unknown.
std::vector<ChartBar> DiskFreeBands(const std::vector<ReportComputer>& computers);

// Free percentage of the system disk, or nothing when it cannot be told.
std::optional<double> DiskFreePercent(const ReportComputer& computer);

// Names of the computers whose system disk is under 10 % free, fullest first.
std::vector<std::string> LowDiskComputers(const std::vector<ReportComputer>& computers);

// The applications found on the most computers, ties by name.
std::vector<ChartBar> TopApplications(const std::vector<ReportApplication>& applications,
                                      std::size_t limit = 20);

// Computers with this much physical memory or less are listed under the
// memory chart: 4 GB PCs show a little under 4096 MB.
inline constexpr double kLowMemoryMb = 4096;

// Indexes of the computers at or under kLowMemoryMb, smallest first.
std::vector<std::uint32_t> LowMemoryComputers(const std::vector<ReportComputer>& computers);

// ---- Dates -------------------------------------------------------------------

// Indexes of the computers whose latest run is more than `days` days before
// `now` or has no recognised date, the longest unseen first.
std::vector<std::uint32_t> ComputersNotSeen(const std::vector<ReportComputer>& computers,
                                            const std::string& now, int days);

// Whole days from `then` to `now`; nothing when either is not a date.
std::optional<std::int64_t> DaysBetween(const std::string& then, const std::string& now);

// Indexes of the computers with a run dated ahead of the clock, in name order.
std::vector<std::uint32_t> ClockAheadComputers(const std::vector<ReportComputer>& computers);

// Computers whose latest run is more than `days` days before `now` (or has no
// recognised date at all: they have not been seen either).
std::int64_t ComputersNotSeenFor(const std::vector<ReportComputer>& computers,
                                 const std::string& now, int days);

}  // namespace norvale::fleet
