// The program's own environment variables (module mEnviron).
#pragma once

#include "core/context.h"

namespace norvale {

// One "Environmental" row per variable, for the first 50 entries of the
// environment block.
void GetEnvironment(Context& ctx);

}  // namespace norvale
