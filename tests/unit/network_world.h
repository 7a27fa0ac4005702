// A fresh fake machine with a context and a list, for collector tests.
#pragma once

#include <string>
#include <vector>

#include "tests/unit/collector_world.h"

namespace norvale {

struct World : testing::CollectorWorld {
  fakes::FakeMachine& machine = m;

  const std::vector<std::vector<std::string>>& Rows() const { return machine.ui.rows; }

  // Item, SubItem, Contents and Unit of every row, the parts tests compare.
  std::vector<std::vector<std::string>> Cells() const {
    std::vector<std::vector<std::string>> cells;
    for (const auto& row : machine.ui.rows) cells.push_back({row[2], row[3], row[4], row[5]});
    return cells;
  }
};

using Cells = std::vector<std::vector<std::string>>;

}  // namespace norvale
