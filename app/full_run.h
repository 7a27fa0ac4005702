// The full collection run and the runs of one View category.
#pragma once

#include "app/collector_table.h"
#include "core/context.h"

namespace norvale {

// Empties the list, records the run's header row, calls every collector of
// the table in order and enables Save.
void RunFullCollection(Context& ctx);

// Empties the list, moves the View check mark to the entry's item, starts
// the rows at 0 and runs that one collector. Records no header row and
// leaves Save as it was: only the full run does either.
void RunCategory(Context& ctx, const CollectorEntry& entry);

}  // namespace norvale
