// A fake machine loaded with the software fixture, and the rows it shows.
#pragma once

#include <string>
#include <vector>

#include "tests/unit/collector_world.h"

namespace norvale::testing {

inline constexpr const char* kSoftwareFixture = NORVALE_FIXTURES "/software.reg";

struct SoftwareWorld : CollectorWorld {
  explicit SoftwareWorld(bool with_fixture = true) {
    if (with_fixture) m.registry.ImportFile(kSoftwareFixture);
  }

  // Group, Item, SubItem, Contents, Unit of every row shown, in order.
  std::vector<std::vector<std::string>> Rows() const {
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : m.ui.rows) rows.emplace_back(row.begin() + 1, row.begin() + 6);
    return rows;
  }
};

}  // namespace norvale::testing
