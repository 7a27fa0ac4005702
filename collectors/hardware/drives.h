// Module mDrive: every logical drive with its size and file system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"

namespace norvale {

// Records three "Hard" rows per drive; with no drive at all it says so in a
// message box instead.
void GetDriveList(Context& ctx);

// The drive roots, each followed by a NUL, and one more NUL; empty when none.
std::string GetDriveStrings(Context& ctx);

// Walks a list as GetDriveStrings returns it; a failure ends the walk with one
// ErrorRow "Hard"/"mDrive".
void ListDrives(Context& ctx, std::string_view drive_strings);

// An unsigned 64-bit count given as two signed 32-bit halves.
double LargeToDouble(std::int32_t low, std::int32_t high);

}  // namespace norvale
