// The operating system rows (module mSoft).
#pragma once

#include "core/context.h"

namespace norvale {

// Windows name with build and service pack, product ID, system folder and the
// Internet Explorer version: four "Soft" rows.
void GetSoftware(Context& ctx);

}  // namespace norvale
