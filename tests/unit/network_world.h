// A fresh fake machine with a context and a list, for collector tests.
#pragma once

#include <string>
#include <vector>

#include "core/context.h"
#include "tests/fakes/fake_machine.h"

namespace norvale {

struct World {
  fakes::FakeMachine machine;
  Context ctx{machine.platform};

  World() {
    ctx.main.ComputerName = "PC01";
    ctx.main.ResultList = &machine.ui.CreateResultList("font", 200);
  }

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
