// The resources the computer shares on the network.
#pragma once

#include "core/context.h"

namespace norvale {

// One row per share, administrative shares included, in query order.
void GetShare(Context& ctx);

}  // namespace norvale
