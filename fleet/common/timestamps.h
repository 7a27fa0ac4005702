// Timestamps of the fleet: the header dates and times result files carry, in
// whatever short-date format their PC used, and the sortable
// "YYYY-MM-DD HH:MM:SS" text the database and the report work with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvale::fleet {

// The header's date and time as one sortable timestamp, or empty text. Dates
// with the year first (2026/12/08, 2026-12-08) read year, month, day; with the
// year last, "." reads day first and "/" month first unless the first number
// cannot be a month. Times are H:MM[:SS] with an optional AM/PM (or 午前/午後).
std::string NormaliseRunAt(std::string_view date, std::string_view time);

// A date alone as "YYYY-MM-DD", or empty text. Dates with the year first read
// year, month, day; with the year last, `month_first` reads month, day (as
// driver dates are kept), otherwise the rules of NormaliseRunAt apply.
std::string NormaliseDate(std::string_view date, bool month_first = false);

// Days since 1970-01-01 of a "YYYY-MM-DD..." text; nothing when it is not one.
std::optional<std::int64_t> DayNumber(const std::string& timestamp);

// Seconds since 1970-01-01 of "YYYY-MM-DD[ HH:MM:SS]"; nothing when it is not one.
std::optional<std::int64_t> SecondNumber(const std::string& timestamp);

// The current time, UTC, as "YYYY-MM-DD HH:MM:SS".
std::string NowUtc();

// `now` less `days` days, in the same form; empty when `now` is not a time.
std::string DaysBefore(const std::string& now, int days);

}  // namespace norvale::fleet
