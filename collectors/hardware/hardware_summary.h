// Module mHard: screen, memory, page file, system disk and processor at a glance.
#pragma once

#include "core/context.h"

namespace norvale {

// Records the eighteen "Hard" rows; a failure leaves one ErrorRow "Hard"/"mHard".
void GetHardware(Context& ctx);

}  // namespace norvale
