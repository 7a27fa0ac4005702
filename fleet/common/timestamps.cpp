#include "fleet/common/timestamps.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

#include "core/utf.h"

namespace norvale::fleet {
namespace {

// Splits "12/8/2026" into numbers; false unless there are exactly three.
bool ThreeNumbers(std::string_view text, char& separator, int (&out)[3]) {
  int count = 0;
  int value = -1;
  separator = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      value = (value < 0 ? 0 : value * 10) + (c - '0');
      if (value > 9999) return false;
    } else if ((c == '/' || c == '-' || c == '.') && value >= 0 && count < 2 &&
               (separator == 0 || separator == c)) {
      separator = c;
      out[count++] = value;
      value = -1;
    } else {
      return false;
    }
  }
  if (value < 0 || count != 2) return false;
  out[2] = value;
  return true;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

struct Date {
  int year, month, day;
};

bool IsDate(const Date& d) {
  return d.year >= 1900 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= DaysInMonth(d.year, d.month);
}

// The valid readings of a date, month first before day first: none, one, or
// two where the order of day and month cannot be told from the text.
int ParseDate(std::string_view text, Date (&readings)[2]) {
  int n[3];
  char separator;
  if (!ThreeNumbers(TrimSpaces(text), separator, n)) return 0;
  Date candidates[2];
  int count = 0;
  if (n[0] >= 1000) {
    candidates[count++] = {n[0], n[1], n[2]};
  } else {
    const int year = n[2] < 100 ? n[2] + 2000 : n[2];
    if (separator == '/') candidates[count++] = {year, n[0], n[1]};
    if (n[0] != n[1] || separator != '/') candidates[count++] = {year, n[1], n[0]};
  }
  int valid = 0;
  for (int i = 0; i < count; ++i) {
    if (IsDate(candidates[i])) readings[valid++] = candidates[i];
  }
  return valid;
}

std::string Timestamp(const Date& d, int hour, int minute, int second) {
  char out[96];  // room for any int, as the compiler counts
  std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, hour,
                minute, second);
  return out;
}

bool ParseTime(std::string_view text, int& hour, int& minute, int& second) {
  std::string t = TrimSpaces(text);
  int shift = -1;  // -1: 24-hour clock, 0: morning, 12: afternoon
  auto strip = [&](std::string_view mark, int value, bool prefix) {
    if (t.size() < mark.size()) return;
    if (prefix ? t.compare(0, mark.size(), mark) == 0
               : t.compare(t.size() - mark.size(), mark.size(), mark) == 0) {
      t = TrimSpaces(prefix ? t.substr(mark.size()) : t.substr(0, t.size() - mark.size()));
      shift = value;
    }
  };
  strip("AM", 0, false);
  strip("PM", 12, false);
  strip("午前", 0, true);
  strip("午後", 12, true);
  int parts[3] = {0, 0, 0};
  int count = 0;
  int value = -1;
  for (const char c : t) {
    if (c >= '0' && c <= '9') {
      value = (value < 0 ? 0 : value * 10) + (c - '0');
      if (value > 99) return false;
    } else if (c == ':' && value >= 0 && count < 2) {
      parts[count++] = value;
      value = -1;
    } else {
      return false;
    }
  }
  if (value < 0 || count < 1) return false;
  parts[count] = value;
  hour = parts[0], minute = parts[1], second = parts[2];
  if (shift >= 0) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + shift;
  }
  return hour <= 23 && minute <= 59 && second <= 59;
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

// "YYYY-MM-DD" of a day count since 1970-01-01 (the inverse of DayNumber).
std::string DateOfDay(std::int64_t day) {
  const std::int64_t z = day + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = yoe + era * 400 + (m <= 2);
  char out[80];
  std::snprintf(out, sizeof out, "%04lld-%02lld-%02lld", static_cast<long long>(y),
                static_cast<long long>(m), static_cast<long long>(d));
  return out;
}

}  // namespace

std::string NormaliseRunAt(std::string_view date, std::string_view time,
                           std::optional<std::int64_t> not_after) {
  Date readings[2];
  int hour, minute, second;
  const int count = ParseDate(date, readings);
  if (count == 0 || !ParseTime(time, hour, minute, second)) return {};
  const std::string month_first = Timestamp(readings[0], hour, minute, second);
  if (count == 1 || !not_after) return month_first;
  std::string earlier = Timestamp(readings[1], hour, minute, second);
  std::string later = month_first;
  if (later < earlier) std::swap(earlier, later);
  // The later reading only when it too lies no later than the file. Header
  // times are the PC's local time and `not_after` is UTC: a day's slack
  // covers every time zone, and the two readings lie at least 29 days apart.
  constexpr std::int64_t kTimeZoneSlack = 24 * 3600;
  return SecondNumber(later) <= *not_after + kTimeZoneSlack ? later : earlier;
}

std::string NormaliseDate(std::string_view date, bool month_first) {
  std::string text(date);
  if (month_first) {
    // "." and "-" with the year last read day first; written as "/" the
    // month comes first wherever it can be a month.
    const std::size_t first = text.find_first_of("./-");
    const char separator = first == std::string::npos ? '/' : text[first];
    if (separator != '/') std::replace(text.begin(), text.end(), separator, '/');
  }
  Date readings[2];
  if (ParseDate(text, readings) == 0) return {};
  return Timestamp(readings[0], 0, 0, 0).substr(0, 10);
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

std::optional<std::int64_t> SecondNumber(const std::string& t) {
  auto day = DayNumber(t);
  if (!day) return std::nullopt;
  return *day * 86400 + SecondOfDay(t);
}

std::string NowUtc() { return UtcTimestamp(std::time(nullptr)); }

std::string DaysBefore(const std::string& now, int days) {
  const auto day = DayNumber(now);
  if (!day) return {};
  return DateOfDay(*day - days) + (now.size() > 10 ? now.substr(10) : std::string(" 00:00:00"));
}

std::string UtcTimestamp(std::int64_t seconds) {
  // Floor division, so moments before 1970 fall on the right day.
  const std::int64_t day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  const std::int64_t second = seconds - day * 86400;
  char time[32];
  std::snprintf(time, sizeof time, " %02d:%02d:%02d", static_cast<int>(second / 3600),
                static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
  return DateOfDay(day) + time;
}

bool IsAheadOfClock(const std::string& run_at, const std::string& loaded_at,
                    const std::string& file_mtime) {
  const auto run = SecondNumber(run_at);
  if (!run) return false;
  std::optional<std::int64_t> clock;
  for (const std::string* reference : {&loaded_at, &file_mtime}) {
    const auto at = SecondNumber(*reference);
    if (at && (!clock || *at > *clock)) clock = at;
  }
  return clock && *run > *clock + 86400;
}

}  // namespace norvale::fleet
