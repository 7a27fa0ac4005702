// Module mDevice: the Plug and Play devices present, with driver provider and date.
#pragma once

#include "core/context.h"

namespace norvale {

// Records one "Device" row per present device, in registry order; a failure
// ends the walk with one ErrorRow "Device"/"mDevice".
void GetDeviceList(Context& ctx);

}  // namespace norvale
