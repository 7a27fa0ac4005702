#include "fleet/system/limited_read.h"

#include <algorithm>

namespace norvale::fleet {

FileContent::Status ReadWithinLimit(
    std::uint64_t size_hint, std::uint64_t max_bytes,
    const std::function<std::int64_t(char*, std::size_t)>& read_some, std::string& bytes) {
  constexpr std::uint64_t kGrowth = 65536;
  bytes.clear();
  if (size_hint > max_bytes) return FileContent::Status::kTooBig;
  bytes.resize(static_cast<std::size_t>(size_hint));
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (used > max_bytes) break;
      bytes.resize(
          static_cast<std::size_t>(std::min<std::uint64_t>(max_bytes + 1, used + kGrowth)));
    }
    const std::int64_t got = read_some(bytes.data() + used, bytes.size() - used);
    if (got < 0) {
      bytes.clear();
      return FileContent::Status::kFailed;
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  if (used > max_bytes) {
    bytes.clear();
    return FileContent::Status::kTooBig;
  }
  bytes.resize(used);
  return FileContent::Status::kRead;
}

}  // namespace norvale::fleet
