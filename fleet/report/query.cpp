#include "fleet/report/query.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "core/result_labels.h"
#include "core/utf.h"
#include "fleet/common/timestamps.h"
#include "fleet/query/queries.h"
#include "fleet/store/inventory.h"

namespace norvale::fleet {
namespace {

void AddApplications(Database& db, ReportData& data) {
  std::unordered_map<std::string, std::uint32_t> computer_index;
  for (std::uint32_t i = 0; i < data.computers.size(); ++i)
    computer_index[data.computers[i].name] = i;

  // The software query gives one entry per name, version and publisher; the
  // page wants one per name with every version and the union of computers.
  std::map<std::string, std::size_t> by_name;
  for (SoftwareEntry& entry : ListSoftware(db, SoftwareFilter{})) {
    auto [at, fresh] = by_name.try_emplace(entry.name, data.applications.size());
    if (fresh) {
      data.applications.emplace_back();
      data.applications.back().name = entry.name;
    }
    ReportApplication& app = data.applications[at->second];
    if (app.publisher.empty()) app.publisher = entry.publisher;
    if (!entry.version.empty()) app.versions.push_back(entry.version);
    for (const std::string& computer : entry.computers) {
      const auto found = computer_index.find(computer);
      if (found == computer_index.end()) continue;
      app.computers.push_back(found->second);
      app.installs.emplace_back(found->second, entry.version);
    }
  }
  for (ReportApplication& app : data.applications) {
    std::sort(app.versions.begin(), app.versions.end());
    app.versions.erase(std::unique(app.versions.begin(), app.versions.end()), app.versions.end());
    std::sort(app.computers.begin(), app.computers.end());
    app.computers.erase(std::unique(app.computers.begin(), app.computers.end()),
                        app.computers.end());
    // By version, then computer: the page writes each version once.
    std::sort(app.installs.begin(), app.installs.end(), [](const auto& a, const auto& b) {
      return a.second != b.second ? a.second < b.second : a.first < b.first;
    });
    app.installs.erase(std::unique(app.installs.begin(), app.installs.end()), app.installs.end());
  }
}

void AddChanges(Database& db, ReportData& data, const std::vector<FactChange>* every_change) {
  ChangeFilter filter;
  filter.since = DaysBefore(data.generated_at, 30);
  if (filter.since.empty()) return;
  if (every_change) {
    for (const FactChange& c : *every_change) {
      ReportChange change = ReportChangeOf(c);
      if (change.when >= filter.since) data.changes.push_back(std::move(change));
    }
    return;
  }
  for (FactChange& c : ListChanges(db, filter)) {
    data.changes.push_back(ReportChangeOf(std::move(c)));
  }
}

void AddErrors(Database& db, ReportData& data) {
  db.ForEachRow(
      "SELECT r.computer, r.seen_at, f.category, f.subitem, "
      "f.contents, f.unit FROM latest_runs r JOIN facts f ON f.run_id = r.run_id "
      "WHERE r.error_count > 0 AND f.item = ? ORDER BY r.computer, f.line",
      {std::string(kItemError)}, [&](const Row& row) {
        data.errors.push_back(ReportError{Text(row[0]), Text(row[1]), Text(row[2]), Text(row[3]),
                                          Text(row[4]), Text(row[5])});
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

ReportData GatherReportData(Database& db, const std::string& now,
                            const std::vector<FactChange>* every_change) {
  ReportData data;
  data.generated_at = now;

  struct Latest {
    std::string when;
    int errors = 0;
    std::int64_t run_id = 0;
  };
  std::map<std::string, Latest> latest;
  for (const Row& row :
       db.Query("SELECT computer, seen_at, error_count, run_id FROM latest_runs")) {
    latest[Text(row[0])] = {Text(row[1]), std::atoi(Text(row[2]).c_str()),
                            std::atoll(Text(row[3]).c_str())};
  }
  for (ComputerSummary& s : ListComputers(db)) {
    ReportComputer c;
    c.name = std::move(s.computer);
    const auto found = latest.find(c.name);
    if (found != latest.end()) {
      c.last_run = found->second.when;
      c.error_rows = found->second.errors;
      c.run_id = found->second.run_id;
    }
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

  AddApplications(db, data);
  AddChanges(db, data, every_change);
  AddErrors(db, data);
  return data;
}

}  // namespace norvale::fleet
