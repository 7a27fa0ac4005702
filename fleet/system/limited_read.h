// Reading a whole file within a byte limit, the part both systems share:
// the file's size as opened is only a hint, since it may grow (or shrink)
// while it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "fleet/system/files.h"

namespace norvale::fleet {

// Reads with `read_some` (fills up to `size` bytes at `into`; returns how
// many, 0 at the end, -1 on failure) until the end, never holding more than
// one byte past `max_bytes`: kRead, kTooBig or kFailed. `bytes` holds the
// file only for kRead.
FileContent::Status ReadWithinLimit(
    std::uint64_t size_hint, std::uint64_t max_bytes,
    const std::function<std::int64_t(char* into, std::size_t size)>& read_some, std::string& bytes);

}  // namespace norvale::fleet
