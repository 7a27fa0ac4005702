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
// year last, "." and "-" read day first. With the year last and "/", the United
// States write the month first and the United Kingdom and France the day: where
// both numbers could be the month, the date is read the way that lies closest
// to `not_after` (seconds since 1970, UTC: when the file was last written) and
// not after it, give or take the time zone, (the earlier one when both lie after it); without
// `not_after` the month comes first. Times are H:MM[:SS] with an optional AM/PM (or 午前/午後).
std::string NormaliseRunAt(std::string_view date, std::string_view time,
                           std::optional<std::int64_t> not_after = std::nullopt);

// A date alone as "YYYY-MM-DD", or empty text. Dates with the year first read
// year, month, day; with the year last, `month_first` reads month, day (as
// driver dates are kept), otherwise the rules of NormaliseRunAt apply.
std::string NormaliseDate(std::string_view date, bool month_first = false);

// Days since 1970-01-01 of a "YYYY-MM-DD..." text; nothing when it is not one.
std::optional<std::int64_t> DayNumber(const std::string& timestamp);

// Seconds since 1970-01-01 of "YYYY-MM-DD[ HH:MM:SS]"; nothing when it is not one.
std::optional<std::int64_t> SecondNumber(const std::string& timestamp);

// The moment `seconds` after 1970-01-01 00:00:00 as "YYYY-MM-DD HH:MM:SS"
// (UTC; add the local offset first for local time).
std::string UtcTimestamp(std::int64_t seconds);

// The current time, UTC, as "YYYY-MM-DD HH:MM:SS".
std::string NowUtc();

// `now` less `days` days, in the same form; empty when `now` is not a time.
std::string DaysBefore(const std::string& now, int days);

// True when the run's header time `run_at` lies more than a day after both
// when it was loaded and the file's modification time (all "YYYY-MM-DD
// HH:MM:SS"; an empty or unreadable time counts for nothing). The day leaves
// room for time zones: the header is the PC's local time, the others UTC.
bool IsAheadOfClock(const std::string& run_at, const std::string& loaded_at,
                    const std::string& file_mtime);

}  // namespace norvale::fleet
