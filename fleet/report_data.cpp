#include "fleet/report_data.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

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

bool IsDigits(const std::string& s, std::size_t from, std::size_t n) {
  if (s.size() < from + n) return false;
  for (std::size_t i = from; i < from + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

int Number(const std::string& s, std::size_t from, std::size_t n) {
  int value = 0;
  for (std::size_t i = from; i < from + n; ++i) value = value * 10 + (s[i] - '0');
  return value;
}

// Seconds into the day of "YYYY-MM-DD HH:MM:SS" (0 when only a date is given).
std::int64_t SecondOfDay(const std::string& t) {
  if (t.size() >= 19 && IsDigits(t, 11, 2) && IsDigits(t, 14, 2) && IsDigits(t, 17, 2)) {
    return Number(t, 11, 2) * 3600 + Number(t, 14, 2) * 60 + Number(t, 17, 2);
  }
  return 0;
}

std::optional<std::int64_t> SecondNumber(const std::string& t) {
  auto day = DayNumber(t);
  if (!day) return std::nullopt;
  return *day * 86400 + SecondOfDay(t);
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
      {2048, "\u2264 2 GB"},    {4096, "2\u20134 GB"},    {8192, "4\u20138 GB"},
      {16384, "8\u201316 GB"},  {32768, "16\u201332 GB"}, {65536, "32\u201364 GB"},
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
    while (i < kCount && *c.memory_mb > kBands[i].first) ++i;
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

std::optional<std::int64_t> DayNumber(const std::string& t) {
  if (!IsDigits(t, 0, 4) || t[4] != '-' || !IsDigits(t, 5, 2) || t[7] != '-' ||
      !IsDigits(t, 8, 2)) {
    return std::nullopt;
  }
  int y = Number(t, 0, 4), m = Number(t, 5, 2), d = Number(t, 8, 2);
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return std::nullopt;
  if (m == 2 && d == 29 && !(y % 4 == 0 && (y % 100 != 0 || y % 400 == 0))) return std::nullopt;
  // Civil date to day count (the proleptic Gregorian calendar).
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::int64_t ComputersNotSeenFor(const std::vector<ReportComputer>& computers,
                                 const std::string& now, int days) {
  auto reference = SecondNumber(now);
  if (!reference) return 0;
  const std::int64_t limit = *reference - std::int64_t{days} * 86400;
  std::int64_t count = 0;
  for (const auto& c : computers) {
    auto seen = SecondNumber(c.last_run);
    if (!seen || *seen < limit) ++count;
  }
  return count;
}

}  // namespace norvale::fleet
