// The full collection run.
#pragma once

#include "core/context.h"

namespace norvale {

// Empties the list, records the run's header row, calls every collector in
// the fixed order and enables Save.
void showall(Context& ctx);

// Removes the check mark from the nine View items.
void ClearViewChecks(Context& ctx);

}  // namespace norvale
