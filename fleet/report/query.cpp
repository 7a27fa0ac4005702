#include "fleet/report/query.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <unordered_map>

#include "core/result_labels.h"
#include "core/utf.h"
#include "fleet/common/timestamps.h"
#include "fleet/query/queries.h"
#include "fleet/store/inventory.h"

namespace norvale::fleet {
namespace {

// Every install of the newest runs in one pass, in the database's order:
// each application is made once, with its versions and its computers, and
// the applications are put in name order here, which costs less than
// having the database sort half a million rows. An application's publisher
// is the one named with its lowest version (then the lowest such name).
void AddApplications(Database& db, ReportData& data,
                     const std::unordered_map<std::int64_t, std::uint32_t>& computer_of_run) {
  std::unordered_map<std::string, std::size_t> by_name;
  std::vector<std::string> publisher_version;  // the version each publisher came with
  db.ForEachRow("SELECT name, version, publisher, run_id FROM latest_applications", {},
                [&](const Row& row) {
                  const auto found = computer_of_run.find(std::atoll(Text(row[3]).c_str()));
                  if (found == computer_of_run.end()) return;
                  const auto [at, added] = by_name.try_emplace(Text(row[0]), by_name.size());
                  if (added) {
                    data.applications.emplace_back().name = at->first;
                    publisher_version.emplace_back();
                  }
                  ReportApplication& app = data.applications[at->second];
                  std::string version = Text(row[1]), publisher = Text(row[2]);
                  std::string& chosen_version = publisher_version[at->second];
                  if (!publisher.empty() &&
                      (app.publisher.empty() ||
                       std::tie(version, publisher) < std::tie(chosen_version, app.publisher))) {
                    app.publisher = std::move(publisher);
                    chosen_version = version;
                  }
                  app.installs.emplace_back(found->second, std::move(version));
                });
  std::sort(data.applications.begin(), data.applications.end(),
            [](const ReportApplication& a, const ReportApplication& b) { return a.name < b.name; });
  for (ReportApplication& app : data.applications) {
    // By version, then computer: the page writes each version once.
    std::sort(app.installs.begin(), app.installs.end(), [](const auto& a, const auto& b) {
      return a.second != b.second ? a.second < b.second : a.first < b.first;
    });
    app.installs.erase(std::unique(app.installs.begin(), app.installs.end()), app.installs.end());
    for (const auto& [computer, version] : app.installs) {
      if (!version.empty() && (app.versions.empty() || app.versions.back() != version)) {
        app.versions.push_back(version);
      }
      app.computers.push_back(computer);
    }
    std::sort(app.computers.begin(), app.computers.end());
    app.computers.erase(std::unique(app.computers.begin(), app.computers.end()),
                        app.computers.end());
  }
}

void AddChanges(Database& db, ReportData& data, const EveryChange& every_change) {
  ChangeFilter filter;
  filter.since = DaysBefore(data.generated_at, 30);
  if (filter.since.empty()) return;
  if (every_change) {
    for (const FactChange& c : every_change()) {
      ReportChange change = ReportChangeOf(c);
      if (change.when >= filter.since) data.changes.push_back(std::move(change));
    }
    return;
  }
  for (FactChange& c : ListChanges(db, filter)) {
    data.changes.push_back(ReportChangeOf(std::move(c)));
  }
}

// The error rows of the runs with any; those of older runs are left out here
// rather than by asking for the newest runs again.
void AddErrors(Database& db, ReportData& data,
               const std::unordered_map<std::int64_t, std::uint32_t>& computer_of_run) {
  db.ForEachRow(
      "SELECT f.run_id, f.category, f.subitem, f.contents, f.unit FROM runs r"
      " JOIN facts f ON f.run_id = r.run_id WHERE r.error_count > 0 AND f.item = ?"
      " ORDER BY r.computer, f.run_id, f.line",
      {std::string(kItemError)}, [&](const Row& row) {
        const auto found = computer_of_run.find(std::atoll(Text(row[0]).c_str()));
        if (found == computer_of_run.end()) return;
        const ReportComputer& c = data.computers[found->second];
        data.errors.push_back(ReportError{c.name, c.last_run, Text(row[1]), Text(row[2]),
                                          Text(row[3]), Text(row[4])});
      });
}

}  // namespace

// As stored: the header's date read when the run was loaded, where the order
// of day and month was told by the file's time.
ReportChange ReportChangeOf(FactChange c) {
  return ReportChange{std::move(c.computer),  std::move(c.to_at),    std::move(c.change),
                      std::move(c.category),  std::move(c.item),     std::move(c.subitem),
                      std::move(c.old_value), std::move(c.new_value)};
}

std::optional<double> ParseSize(std::string_view text) {
  std::string s(text);
  if (s.find('.') == std::string::npos) std::replace(s.begin(), s.end(), ',', '.');
  if (s.empty() || s[0] == '+' || s[0] == '-') return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

ReportData GatherReportData(Database& db, const std::string& now, const EveryChange& every_change) {
  ReportData data;
  data.generated_at = now;

  for (ComputerSummary& s : ListComputers(db)) {
    ReportComputer c;
    c.name = std::move(s.computer);
    c.last_run = std::move(s.seen_at);
    c.error_rows = s.error_count;
    c.run_id = s.run_id;
    c.windows = std::move(s.windows);
    c.cpu = std::move(s.cpu);
    c.processors = std::move(s.processors);
    c.memory_mb = ParseSize(s.memory_mb);
    c.disk_total_gb = ParseSize(s.disk_total_gb);
    c.disk_free_gb = ParseSize(s.disk_free_gb);
    // Addresses as people write them: the files pad them to 192.168.001.010.
    c.ip = PlainAddress(s.ip).value_or(std::string());
    c.mac = std::move(s.mac);
    c.domain = std::move(s.domain);
    c.user = std::move(s.user);
    c.clock_ahead = std::move(s.clock_ahead);
    c.clock_ahead_loaded_at = std::move(s.clock_ahead_loaded_at);
    data.computers.push_back(std::move(c));
  }
  for (const ReportComputer& c : data.computers) {
    if (c.last_run.empty()) continue;
    if (data.totals.newest_run.empty() || c.last_run > data.totals.newest_run) {
      data.totals.newest_run = c.last_run;
    }
    if (data.totals.oldest_run.empty() || c.last_run < data.totals.oldest_run) {
      data.totals.oldest_run = c.last_run;
    }
  }
  const auto runs = db.Query("SELECT COUNT(*) FROM runs");
  if (!runs.empty()) data.totals.runs_loaded = std::atoll(Text(runs[0][0]).c_str());

  std::unordered_map<std::int64_t, std::uint32_t> computer_of_run;
  for (std::uint32_t i = 0; i < data.computers.size(); ++i) {
    computer_of_run.emplace(data.computers[i].run_id, i);
  }
  AddApplications(db, data, computer_of_run);
  AddErrors(db, data, computer_of_run);
  AddChanges(db, data, every_change);  // last: the caller may still be listing them
  return data;
}

}  // namespace norvale::fleet
