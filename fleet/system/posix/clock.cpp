#include "fleet/system/clock.h"

#include <ctime>

namespace norvale::fleet {

std::int64_t LocalUtcOffset(std::int64_t utc_seconds) {
  const std::time_t t = static_cast<std::time_t>(utc_seconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return 0;
  return local.tm_gmtoff;
}

}  // namespace norvale::fleet
