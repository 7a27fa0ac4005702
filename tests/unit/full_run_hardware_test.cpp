#include <gtest/gtest.h>

#include "core/full_run.h"
#include "tests/fakes/fake_machine.h"

namespace norvale {
namespace {

// Where the hardware collectors' rows land in a full run.
TEST(ShowAll, HardwareDrivesAndDevicesComeInTheirFixedPlaces) {
  fakes::FakeMachine m;
  Context ctx(m.platform);
  ctx.main.ComputerName = "PC01";
  ctx.main.ResultList = &m.ui.CreateResultList("font", 200);
  m.registry.ImportFile(NORVALE_FIXTURES "/devices/edge_cases.reg");
  showall(ctx);

  const auto& rows = m.ui.rows;
  auto first = [&](const std::string& group, const std::string& item) {
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i][1] == group && rows[i][2] == item) return static_cast<long>(i);
    }
    return -1L;
  };
  const long screen = first("Hard", "Screen");
  const long drive = first("Hard", "C:\\DiskDrive");
  const long device = first("Device", "Computer");
  ASSERT_GT(screen, 0);
  EXPECT_EQ(rows[screen + 17][3], "Stepping");
  EXPECT_GT(drive, screen + 17);
  EXPECT_GT(device, drive + 2);
  EXPECT_TRUE(m.ui.messages.empty());
}

}  // namespace
}  // namespace norvale
