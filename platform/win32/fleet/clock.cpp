#include "fleet/system/clock.h"

#include <windows.h>

namespace norvale::fleet {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSeconds1601To1970 = 11644473600;

std::int64_t Ticks(const FILETIME& time) {
  return (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

std::int64_t LocalUtcOffset(std::int64_t utc_seconds) {
  const std::int64_t ticks = (utc_seconds + kSeconds1601To1970) * kTicksPerSecond;
  FILETIME utc_file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{}, local{};
  FILETIME local_file{};
  // The time zone's rules for that moment, daylight saving time included.
  if (!FileTimeToSystemTime(&utc_file, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
      !SystemTimeToFileTime(&local, &local_file)) {
    return 0;
  }
  return (Ticks(local_file) - ticks) / kTicksPerSecond;
}

}  // namespace norvale::fleet
