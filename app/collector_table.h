// The collectors in the order of the result file, each with the View menu
// item that shows its category alone.
#pragma once

#include <optional>
#include <span>

#include "core/context.h"

namespace norvale {

struct CollectorEntry {
  const char* category;
  // The View item that runs this collector alone; none for the collectors
  // only the full run uses (printers, shares, administrator-defined items).
  std::optional<platform::MenuItem> view_item;
  void (*collect)(Context&);
};

// Read by the full run (every entry, in order), the View menu and the tests.
std::span<const CollectorEntry> CollectorTable();

}  // namespace norvale
