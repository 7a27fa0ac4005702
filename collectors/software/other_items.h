// Registry values and file versions that the administrator lists in the
// settings file (module mOther).
#pragma once

#include "core/context.h"

namespace norvale {

// One "OTHER" row per entry of the sections REGISTRY ("label;root;key;value")
// and FILEINFO ("label;path"), keys 01 to 99 without a gap.
void GetOtherItems(Context& ctx);

}  // namespace norvale
