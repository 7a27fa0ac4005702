#include "fleet/report/data.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <utility>

#include "fleet/common/timestamps.h"

namespace norvale::fleet {
namespace {

bool IsMarker(const std::string& label) { return !label.empty() && label[0] == '\x01'; }

// Most common first; equal counts in label order so the page does not change
// between two runs over the same database. "unknown" and "other" close the
// chart whatever their counts: they are not one value among the others.
void SortByCount(std::vector<ChartBar>& bars) {
  std::stable_sort(bars.begin(), bars.end(), [](const ChartBar& a, const ChartBar& b) {
    if (IsMarker(a.label) != IsMarker(b.label)) return IsMarker(b.label);
    if (a.count != b.count) return a.count > b.count;
    return a.label < b.label;
  });
}

std::vector<ChartBar> CountTexts(const std::vector<ReportComputer>& computers,
                                 std::string ReportComputer::*field) {
  std::map<std::string, std::int64_t> counts;
  for (const auto& c : computers) {
    const std::string& text = c.*field;
    ++counts[text.empty() ? std::string(kUnknownLabel) : text];
  }
  std::vector<ChartBar> bars;
  bars.reserve(counts.size());
  for (auto& [label, count] : counts) bars.push_back({label, count});
  SortByCount(bars);
  return bars;
}

}  // namespace

std::vector<ChartBar> WindowsVersionBars(const std::vector<ReportComputer>& computers) {
  return CountTexts(computers, &ReportComputer::windows);
}

std::vector<ChartBar> CpuModelBars(const std::vector<ReportComputer>& computers,
                                   std::size_t limit) {
  auto bars = CountTexts(computers, &ReportComputer::cpu);
  if (bars.size() > limit && limit > 0) {
    std::int64_t rest = 0;
    for (std::size_t i = limit - 1; i < bars.size(); ++i) rest += bars[i].count;
    bars.resize(limit - 1);
    bars.push_back({kOtherLabel, rest});
  }
  return bars;
}

std::vector<ChartBar> MemoryBands(const std::vector<ReportComputer>& computers) {
  static const std::pair<double, const char*> kBands[] = {
      {2048, "\u2264 2 GB"},   {4096, "2\u20134 GB"},    {8192, "4\u20138 GB"},
      {16384, "8\u201316 GB"}, {32768, "16\u201332 GB"}, {65536, "32\u201364 GB"},
  };
  constexpr std::size_t kCount = std::size(kBands);
  std::vector<ChartBar> bars;
  for (const auto& band : kBands) bars.push_back({band.second, 0});
  bars.push_back({"> 64 GB", 0});
  std::int64_t unknown = 0;
  for (const auto& c : computers) {
    if (!c.memory_mb || !std::isfinite(*c.memory_mb) || *c.memory_mb <= 0) {
      ++unknown;
      continue;
    }
    std::size_t i = 0;
    while (i<kCount&& * c.memory_mb> kBands[i].first) ++i;
    ++bars[i].count;
  }
  if (unknown > 0) bars.push_back({kUnknownLabel, unknown});
  return bars;
}

std::optional<double> DiskFreePercent(const ReportComputer& c) {
  if (!c.disk_total_gb || !c.disk_free_gb) return std::nullopt;
  double total = *c.disk_total_gb, free = *c.disk_free_gb;
  if (!std::isfinite(total) || !std::isfinite(free) || total <= 0 || free < 0 || free > total) {
    return std::nullopt;
  }
  return free * 100.0 / total;
}

std::vector<ChartBar> DiskFreeBands(const std::vector<ReportComputer>& computers) {
  std::vector<ChartBar> bars = {
      {"< 10 %", 0}, {"10\u201325 %", 0}, {"25\u201350 %", 0}, {"\u2265 50 %", 0}};
  std::int64_t unknown = 0;
  for (const auto& c : computers) {
    auto pct = DiskFreePercent(c);
    if (!pct) {
      ++unknown;
    } else if (*pct < 10) {
      ++bars[0].count;
    } else if (*pct < 25) {
      ++bars[1].count;
    } else if (*pct < 50) {
      ++bars[2].count;
    } else {
      ++bars[3].count;
    }
  }
  if (unknown > 0) bars.push_back({kUnknownLabel, unknown});
  return bars;
}

std::vector<std::string> LowDiskComputers(const std::vector<ReportComputer>& computers) {
  std::vector<std::pair<double, const std::string*>> low;
  for (const auto& c : computers) {
    auto pct = DiskFreePercent(c);
    if (pct && *pct < 10) low.emplace_back(*pct, &c.name);
  }
  std::stable_sort(low.begin(), low.end(), [](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return *a.second < *b.second;
  });
  std::vector<std::string> names;
  names.reserve(low.size());
  for (const auto& [pct, name] : low) names.push_back(*name);
  return names;
}

std::vector<ChartBar> TopApplications(const std::vector<ReportApplication>& applications,
                                      std::size_t limit) {
  std::vector<ChartBar> bars;
  bars.reserve(applications.size());
  for (const auto& a : applications) {
    bars.push_back({a.name, static_cast<std::int64_t>(a.computers.size())});
  }
  SortByCount(bars);
  if (bars.size() > limit) bars.resize(limit);
  return bars;
}

std::vector<std::uint32_t> LowMemoryComputers(const std::vector<ReportComputer>& computers) {
  std::vector<std::uint32_t> low;
  for (std::uint32_t i = 0; i < computers.size(); ++i) {
    const auto& mb = computers[i].memory_mb;
    if (mb && std::isfinite(*mb) && *mb > 0 && *mb <= kLowMemoryMb) low.push_back(i);
  }
  std::stable_sort(low.begin(), low.end(), [&](std::uint32_t a, std::uint32_t b) {
    return *computers[a].memory_mb < *computers[b].memory_mb;
  });
  return low;
}

std::vector<std::uint32_t> ComputersNotSeen(const std::vector<ReportComputer>& computers,
                                            const std::string& now, int days) {
  std::vector<std::uint32_t> unseen;
  auto reference = SecondNumber(now);
  if (!reference) return unseen;
  const std::int64_t limit = *reference - std::int64_t{days} * 86400;
  for (std::uint32_t i = 0; i < computers.size(); ++i) {
    auto seen = SecondNumber(computers[i].last_run);
    if (!seen || *seen < limit) unseen.push_back(i);
  }
  // Undated runs first: they are the least known of all.
  std::stable_sort(unseen.begin(), unseen.end(), [&](std::uint32_t a, std::uint32_t b) {
    return SecondNumber(computers[a].last_run).value_or(INT64_MIN) <
           SecondNumber(computers[b].last_run).value_or(INT64_MIN);
  });
  return unseen;
}

std::vector<std::uint32_t> ClockAheadComputers(const std::vector<ReportComputer>& computers) {
  std::vector<std::uint32_t> ahead;
  for (std::uint32_t i = 0; i < computers.size(); ++i) {
    if (!computers[i].clock_ahead.empty()) ahead.push_back(i);
  }
  std::sort(ahead.begin(), ahead.end(), [&](std::uint32_t a, std::uint32_t b) {
    return computers[a].name < computers[b].name;
  });
  return ahead;
}

std::int64_t ComputersNotSeenFor(const std::vector<ReportComputer>& computers,
                                 const std::string& now, int days) {
  return static_cast<std::int64_t>(ComputersNotSeen(computers, now, days).size());
}

std::optional<std::int64_t> DaysBetween(const std::string& then, const std::string& now) {
  const auto a = SecondNumber(then), b = SecondNumber(now);
  if (!a || !b) return std::nullopt;
  return (*b - *a) / 86400;
}

}  // namespace norvale::fleet
