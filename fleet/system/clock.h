// The local time zone, for the times a person reads (the report's date).
// Timestamp text itself is fleet/common/timestamps.h's.
#pragma once

#include <cstdint>

namespace norvale::fleet {

// Seconds east of UTC of local time at the moment `utc_seconds` (seconds
// since 1970-01-01 UTC), daylight saving time included.
std::int64_t LocalUtcOffset(std::int64_t utc_seconds);

}  // namespace norvale::fleet
