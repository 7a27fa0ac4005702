// Installed applications from the machine-wide uninstall key (module
// mApplication).
#pragma once

#include "core/context.h"

namespace norvale {

// One "Soft" row per listed application: the 32-bit view first, then on
// 64-bit Windows the 64-bit view, each in enumeration order.
void GetApplication(Context& ctx);

}  // namespace norvale
