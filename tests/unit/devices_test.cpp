#include "collectors/hardware/devices.h"

#include <gtest/gtest.h>

#include "tests/unit/world.h"

namespace norvale {
namespace {

using platform::RegRoot;
using testing::Rows;

struct Machine : testing::World {
  // Item, SubItem, Contents, Unit of each row.
  Rows Run() {
    GetDeviceList(ctx);
    return Cells("Device");
  }
};

TEST(GetDeviceList, EdgeCasesOfTheEnumTree) {
  struct Case {
    std::string language;
    Rows want;
  } cases[] = {
      {"",
       {{"Computer", "ACPI x64-based PC", "Microsoft", "6-21-2006"},
        {"Bluetooth", "Bluetooth Radio", "", ""},
        {"DiskDrive", "ST1000DM003-1CH162", "Microsoft", "6-21-2006"},
        {"Display", "NVIDIA GeForce GTX 1050 Ti", "NVIDIA", "10-5-2021"},
        {"Net", "Wireless Adapter", "Intel", "3-15-2019"},
        {"Unknown", "Mystery device", "Acme", ""},
        {"CDROM", "CD-ROM Drive (driver)", "Microsoft", "6-21-2006"},
        {"DiskDrive", "SanDisk Cruzer USB Device", "Microsoft", "6-21-2006"}}},
      {"JAPAN",
       {{"コンピュータ", "ACPI x64-based PC", "Microsoft", "6-21-2006"},
        {"Bluetooth", "Bluetooth Radio", "", ""},
        {"ディスク ドライブ", "ST1000DM003-1CH162", "Microsoft", "6-21-2006"},
        {"ディスプレイ アダプタ", "NVIDIA GeForce GTX 1050 Ti", "NVIDIA", "10-5-2021"},
        {"ネットワーク アダプタ", "Wireless Adapter", "Intel", "3-15-2019"},
        {"不明", "Mystery device", "Acme", ""},
        {"DVD/CD-ROM ドライブ", "CD-ROM Drive (driver)", "Microsoft", "6-21-2006"},
        {"ディスク ドライブ", "SanDisk Cruzer USB Device", "Microsoft", "6-21-2006"}}},
  };
  for (const auto& c : cases) {
    Machine machine;
    machine.m.registry.ImportFile(NORVALE_FIXTURES "/devices/edge_cases.reg");
    machine.ctx.main.country = c.language;
    EXPECT_EQ(machine.Run(), c.want) << c.language;
  }
}

TEST(GetDeviceList, JapaneseGroupNamesAreMatchedExactly) {
  struct Case {
    const char* device_class;
    const char* want;
  } cases[] = {
      {"HIDClass", "マウスとそのほかのポインティング デバイス"},
      {"Mouse", "マウスとそのほかのポインティング デバイス"},
      {"MEDIA", "サウンド、ビデオ、およびゲーム コントローラ"},
      {"Media", "Media"},  // not the class Windows uses for sound devices
      {"fdc", "フロッピー ディスク コントローラ"},
      {"Ports", "ポート (COM と LPT)"},
      {"legacydriver", "legacydriver"},
  };
  for (const auto& c : cases) {
    Machine machine;
    machine.ctx.main.country = "JAPAN";
    const std::string path = "SYSTEM\\CurrentControlSet\\Enum\\ROOT\\DEV\\0000";
    machine.m.registry.SetString(RegRoot::kLocalMachine, path, "DeviceDesc", "A device");
    machine.m.registry.SetString(RegRoot::kLocalMachine, path, "Class", c.device_class);
    machine.m.registry.AddKey(RegRoot::kLocalMachine, path + "\\Control");
    EXPECT_EQ(machine.Run(), (Rows{{c.want, "A device", "", ""}})) << c.device_class;
  }
}

TEST(GetDeviceList, EmptyOrMissingTreeRecordsNothing) {
  Machine machine;
  EXPECT_TRUE(machine.Run().empty());
  machine.m.registry.AddKey(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Enum");
  EXPECT_TRUE(machine.Run().empty());
  EXPECT_TRUE(machine.m.ui.messages.empty());
}

TEST(GetDeviceList, RegistryReadsGrowLinearlyWithTheTree) {
  int reads[2] = {};
  size_t rows[2] = {};
  for (int k = 0; k < 2; ++k) {
    Machine machine;
    fakes::AddDeviceTree(machine.m.registry, 250 * (k + 1), 20);
    const int before = machine.m.registry.query_count();
    rows[k] = machine.Run().size();
    reads[k] = machine.m.registry.query_count() - before;
  }
  EXPECT_EQ(rows[0], 250u);
  EXPECT_EQ(rows[1], 500u);
  EXPECT_EQ(reads[1], 2 * reads[0]);
}

}  // namespace
}  // namespace norvale
