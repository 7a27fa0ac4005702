// The View menu's categories and the collectors each one runs.
#pragma once

#include <span>
#include <vector>

#include "core/context.h"

namespace norvale {

using Collector = void (*)(Context&);

struct ViewCategory {
  platform::MenuItem item;
  std::vector<Collector> collectors;  // in the order they run
};

// The eight single-category View items, each with its collectors.
const std::vector<ViewCategory>& ViewCategories();

// A category run: empties the list, moves the View check mark to `item`,
// starts the rows at 0 and runs `collectors` in order. Records no header row
// and leaves Save as it was: only the full run does either.
void RunViewCategory(Context& ctx, platform::MenuItem item, std::span<const Collector> collectors);

}  // namespace norvale
