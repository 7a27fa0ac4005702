// A fresh fake machine with a context and a list, for collector tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/fakes/fake_machine.h"

namespace norvale::testing {

using Rows = std::vector<std::vector<std::string>>;

struct CollectorWorld {
  fakes::FakeMachine m;
  Context ctx{m.platform};

  CollectorWorld() {
    ctx.main.ComputerName = "PC01";
    ctx.main.ResultList = &m.ui.CreateResultList("font", 200);
  }
};

// Item, SubItem, Contents, Unit of each row, after checking that every row
// carries the computer name, `group` and today's date.
inline Rows Cells(const Rows& rows, std::string_view group) {
  Rows out;
  for (const auto& row : rows) {
    EXPECT_EQ(row.size(), 7u);
    EXPECT_EQ(row[0], "PC01");
    EXPECT_EQ(row[1], group);
    EXPECT_EQ(row[6], "2026/12/07");
    out.push_back({row[2], row[3], row[4], row[5]});
  }
  return out;
}

}  // namespace norvale::testing
