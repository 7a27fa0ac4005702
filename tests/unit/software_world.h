// A fake machine loaded with the software fixture, and the rows it shows.
#pragma once

#include <string>
#include <vector>

#include "core/context.h"
#include "tests/fakes/fake_machine.h"

namespace norvale::testing {

inline constexpr const char* kSoftwareFixture = NORVALE_FIXTURES "/software.reg";

struct SoftwareWorld {
  fakes::FakeMachine m;
  Context ctx{m.platform};

  explicit SoftwareWorld(bool with_fixture = true) {
    ctx.main.ComputerName = "PC01";
    ctx.main.ResultList = &m.ui.CreateResultList("font", 200);
    if (with_fixture) m.registry.ImportFile(kSoftwareFixture);
  }

  // Group, Item, SubItem, Contents, Unit of every row shown, in order.
  std::vector<std::vector<std::string>> Rows() const {
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : m.ui.rows) rows.emplace_back(row.begin() + 1, row.begin() + 6);
    return rows;
  }
};

using Rows = std::vector<std::vector<std::string>>;

}  // namespace norvale::testing
