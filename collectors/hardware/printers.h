// The printers Windows knows, with the port each prints to.
#pragma once

#include "core/context.h"

namespace norvale {

// One row per printer, in query order. Only the full run collects printers.
void GetPrinter(Context& ctx);

}  // namespace norvale
