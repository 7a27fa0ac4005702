#include "fleet/common/timestamps.h"

#include <cstdio>
#include <ctime>

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

bool ParseDate(std::string_view text, int& year, int& month, int& day, bool month_first = false) {
  int n[3];
  char separator;
  if (!ThreeNumbers(TrimSpaces(text), separator, n)) return false;
  if (n[0] >= 1000) {
    year = n[0], month = n[1], day = n[2];
  } else {
    year = n[2] < 100 ? n[2] + 2000 : n[2];
    const bool day_first = n[0] > 12 || (!month_first && (separator == '.' || separator == '-'));
    month = day_first ? n[1] : n[0];
    day = day_first ? n[0] : n[1];
  }
  return year >= 1900 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
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

}  // namespace

std::string NormaliseRunAt(std::string_view date, std::string_view time) {
  int year, month, day, hour, minute, second;
  if (!ParseDate(date, year, month, day) || !ParseTime(time, hour, minute, second)) return {};
  char out[96];  // room for any int, as the compiler counts
  std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return out;
}

std::string NormaliseDate(std::string_view date, bool month_first) {
  int year, month, day;
  if (!ParseDate(date, year, month, day, month_first)) return {};
  char out[64];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d", year, month, day);
  return out;
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

std::string NowUtc() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char out[32];
  std::strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S", &tm);
  return out;
}

std::string DaysBefore(const std::string& now, int days) {
  const auto day = DayNumber(now);
  if (!day) return {};
  // Back from a day count to the calendar (the inverse of DayNumber).
  const std::int64_t z = *day - days + 719468;
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
  return out + (now.size() > 10 ? now.substr(10) : std::string(" 00:00:00"));
}

}  // namespace norvale::fleet
