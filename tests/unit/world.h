// The one fake world of the collector tests: a fresh fake machine with a
// context and a list, and the rows it shows in one shape.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/list_sink.h"
#include "core/context.h"
#include "tests/fakes/fake_machine.h"

namespace norvale::testing {

using Rows = std::vector<std::vector<std::string>>;

inline constexpr char kComputer[] = "PC01";
// The fake machine's clock and short date format.
inline constexpr char kToday[] = "2026/12/07";

// The queries of the WMI collector.
inline constexpr char kWmiSystem[] = "Select * From Win32_ComputerSystem";
inline constexpr char kWmiBios[] = "Select * From Win32_BIOS";
inline constexpr char kWmiBoard[] = "Select * From Win32_BaseBoard";
inline constexpr char kWmiEnclosure[] = "SELECT * FROM Win32_SystemEnclosure";
inline constexpr char kWmiArrays[] = "Select * From Win32_PhysicalMemoryArray where use=3";
inline constexpr char kWmiModules[] = "Select * from CIM_PhysicalMemory";

struct World {
  fakes::FakeMachine m;
  Context ctx{m.platform};
  ListSink shown{ctx, &m.ui.CreateResultList("font", 200)};

  World() {
    ctx.main.computer_name = kComputer;
    ctx.main.rows = &shown;
  }

  // Item, SubItem, Contents and Unit of every row shown, after checking that
  // each carries the computer name, `group` and today's date.
  Rows Cells(std::string_view group) const {
    Rows out;
    for (const auto& row : m.ui.rows) {
      EXPECT_EQ(row.size(), 7u);
      EXPECT_EQ(row[0], kComputer);
      EXPECT_EQ(row[1], group);
      EXPECT_EQ(row[6], kToday);
      out.push_back({row[2], row[3], row[4], row[5]});
    }
    return out;
  }

  // Installed applications, Windows and Internet Explorer versions.
  void ImportSoftware() { m.registry.ImportFile(NORVALE_FIXTURES "/software.reg"); }
  // One of every object the WMI collector asks for, the way Windows answers.
  void FillWmi() { FillWmi(m.wmi); }
  static void FillWmi(fakes::FakeWmi& wmi);
};

}  // namespace norvale::testing
