#include "collectors/software/applications.h"

#include <gtest/gtest.h>

#include "tests/unit/world.h"

namespace norvale {
namespace {

using testing::Rows;
using testing::World;

const Rows kThirtyTwoBitRows = {
    {"Application", "Test Viewer 32", "2.1.0", "Example Soft, Inc."},
    {"Application", "Name Only Tool", "", ""},  // SystemComponent 0 shows
};
const Rows kSixtyFourBitRows = {
    {"Application", "Test Editor 64", "10.0.1", "Example Corp"},
};

TEST(GetApplication, ThirtyTwoBitViewFirstThenSixtyFourBit) {
  World w;
  w.ImportSoftware();
  GetApplication(w.ctx);
  Rows want = kThirtyTwoBitRows;
  want.insert(want.end(), kSixtyFourBitRows.begin(), kSixtyFourBitRows.end());
  EXPECT_EQ(w.Cells("Soft"), want);
}

TEST(GetApplication, OnePassWithoutWow64) {
  World w;
  w.ImportSoftware();
  w.m.system.wow64 = false;  // a 64-bit process, or 32-bit Windows: one view
  GetApplication(w.ctx);
  EXPECT_EQ(w.Cells("Soft"), kThirtyTwoBitRows);
}

TEST(GetApplication, ThirtyTwoBitWindowsHasOneView) {
  fakes::FakeMachine m;
  m.registry = fakes::FakeRegistry(false);  // no WOW6432Node: one view
  Context ctx(m.platform);
  ListSink shown(ctx, &m.ui.CreateResultList("font", 200));
  ctx.main.rows = &shown;
  m.system.wow64 = false;
  m.registry.Import(
      "REGEDIT4\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Z]\r\n"
      "\"DisplayName\"=\"Only\"\r\n\"SystemComponent\"=hex:00\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Y]\r\n"
      "\"DisplayName\"=\"Hidden by text\"\r\n\"SystemComponent\"=\"yes\"\r\n");
  GetApplication(ctx);
  ASSERT_EQ(m.ui.rows.size(), 1u);
  EXPECT_EQ(m.ui.rows[0][3], "Only");
}

TEST(GetApplication, NothingListedAndBadValuesLeaveNoErrorRow) {
  World w;
  GetApplication(w.ctx);  // no uninstall key in either view
  EXPECT_TRUE(w.Cells("Soft").empty());

  w.m.registry.Import(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Odd]\r\n"
      "\"DisplayName\"=hex(7):41,00,00,00,42,00,00,00,00,00\r\n"
      "\"DisplayVersion\"=dword:00000031\r\n"
      "\"Publisher\"=hex:50,51\r\n" +
      std::string("\"SystemComponent\"=\"\"\r\n") +
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Long]\r\n"
      "\"DisplayName\"=\"" +
      std::string(3000, 'L') + "\"\r\n");
  GetApplication(w.ctx);
  // A name longer than the buffer is not read, so that entry is skipped.
  EXPECT_EQ(w.Cells("Soft"), (Rows{{"Application", "A", "1", "PQ"}}));
}

TEST(GetApplication, TenThousandEntries) {
  World w;
  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  for (int i = 0; i < 10000; ++i) {
    const std::string path = uninstall + "App" + std::to_string(100000 + i);
    w.m.registry.SetString(platform::RegRoot::kLocalMachine, path, "DisplayName",
                           "App " + std::to_string(i));
    if (i % 10 == 0)
      w.m.registry.SetDword(platform::RegRoot::kLocalMachine, path, "SystemComponent", 1);
  }
  GetApplication(w.ctx);
  const Rows rows = w.Cells("Soft");
  ASSERT_EQ(rows.size(), 9000u);
  EXPECT_EQ(rows.front()[1], "App 1");
  EXPECT_EQ(rows.back()[1], "App 9999");
}

}  // namespace
}  // namespace norvale
