#include "collectors/hardware/drives.h"

#include <gtest/gtest.h>

#include "core/number_format.h"
#include "tests/unit/world.h"

namespace norvale {
namespace {

using fakes::FakeHardware;
using testing::Rows;

constexpr std::uint64_t kGiB = 1073741824;

struct Machine : testing::World {
  Machine() { m.hardware.drives.clear(); }
  void Add(std::string root, std::uint32_t type, std::optional<std::string> fs = std::nullopt,
           std::string share = "") {
    m.hardware.drives.push_back({std::move(root), type, std::move(fs), std::move(share), {}});
  }
  // Item, SubItem, Contents, Unit of each row.
  Rows Run() {
    GetDriveList(ctx);
    return Cells("Hard");
  }
};

TEST(GetDriveList, EveryDriveTypeGivesItsThreeRows) {
  Machine machine;
  auto& m = machine.m;
  machine.Add("A:\\", platform::kDriveRemovable);
  machine.Add("C:\\", platform::kDriveFixed, "NTFS");
  machine.Add("D:\\", platform::kDriveCdrom, "CDFS");  // a disc inserted changes nothing
  machine.Add("E:\\", platform::kDriveRamdisk, "FAT32");
  machine.Add("F:\\", platform::kDriveUnknown);
  machine.Add("G:\\", platform::kDriveNoRootDir);
  machine.Add("Z:\\", platform::kDriveRemote, "NTFS", "\\\\files\\public");
  m.system.disks["C:\\"] = {1, 64 * kGiB, 16 * kGiB};
  m.system.disks["D:\\"] = {1, 4 * kGiB, 0};
  m.system.disks["Z:\\"] = {1, 1000202039296, 859207529267};
  EXPECT_EQ(machine.Run(), (Rows{
                               {"A:\\Floppy", "Total", "-", ""},
                               {"A:\\Floppy", "Free", "-", ""},
                               {"A:\\Floppy", "Type", "-", ""},
                               {"C:\\DiskDrive", "Total", "64.0", "GB"},
                               {"C:\\DiskDrive", "Free", "16.0", "GB"},
                               {"C:\\DiskDrive", "Type", "NTFS", ""},
                               {"D:\\CD-ROM", "Total", "-", ""},
                               {"D:\\CD-ROM", "Free", "-", ""},
                               {"D:\\CD-ROM", "Type", "-", ""},
                               {"E:\\RAMDisk", "Total", "-", ""},
                               {"E:\\RAMDisk", "Free", "-", ""},
                               {"E:\\RAMDisk", "Type", "-", ""},
                               {"F:\\Unknown", "Total", "-", ""},
                               {"F:\\Unknown", "Free", "-", ""},
                               {"F:\\Unknown", "Type", "-", ""},
                               {"G:\\Unknown", "Total", "-", ""},
                               {"G:\\Unknown", "Free", "-", ""},
                               {"G:\\Unknown", "Type", "-", ""},
                               {"Z:\\\\files\\public", "Total", "931.5", "GB"},
                               {"Z:\\\\files\\public", "Free", "800.2", "GB"},
                               {"Z:\\\\files\\public", "Type", "NTFS", ""},
                           }));
  EXPECT_EQ(m.hardware.share_lookups, (std::vector<std::string>{"Z:\\"}));
  EXPECT_TRUE(m.ui.messages.empty());
}

TEST(GetDriveList, JapaneseSubItemsKeepEnglishTypeNames) {
  Machine machine;
  machine.ctx.main.country = "JAPAN";
  machine.Add("C:\\", platform::kDriveFixed, "NTFS");
  machine.Add("D:\\", platform::kDriveCdrom);
  machine.m.system.disks["C:\\"] = {0, 0, 0};
  EXPECT_EQ(machine.Run(), (Rows{
                               {"C:\\DiskDrive", "全容量", "0.0", "GB"},
                               {"C:\\DiskDrive", "空容量", "0.0", "GB"},
                               {"C:\\DiskDrive", "タイプ", "NTFS", ""},
                               {"D:\\CD-ROM", "全容量", "-", ""},
                               {"D:\\CD-ROM", "空容量", "-", ""},
                               {"D:\\CD-ROM", "タイプ", "-", ""},
                           }));
}

TEST(GetDriveList, UnanswerableVolumesAndLowerCaseRoots) {
  Machine machine;
  machine.m.locale.decimal_separator = ",";
  // A disconnected share: no free space, no file system, yet still listed.
  machine.Add("y:\\", platform::kDriveRemote, std::nullopt, "\\\\\\srv\\\\old");
  machine.Add("c:\\", platform::kDriveFixed, "NTFS");
  machine.m.system.disks["C:\\"] = {0, 3 * kGiB / 4, kGiB / 4};
  EXPECT_EQ(machine.Run(), (Rows{
                               {"Y:\\\\\\srv\\old", "Total", "0,0", "GB"},
                               {"Y:\\\\\\srv\\old", "Free", "0,0", "GB"},
                               {"Y:\\\\\\srv\\old", "Type", "", ""},
                               {"C:\\DiskDrive", "Total", "0,8", "GB"},
                               {"C:\\DiskDrive", "Free", "0,3", "GB"},
                               {"C:\\DiskDrive", "Type", "NTFS", ""},
                           }));
  EXPECT_EQ(machine.m.hardware.share_lookups, (std::vector<std::string>{"Y:\\"}));
}

TEST(GetDriveList, FailingNetworkLookupEndsTheWalkWithOneErrorRow) {
  Machine machine;
  machine.Add("C:\\", platform::kDriveFixed, "NTFS");
  machine.Add("X:\\", platform::kDriveRemote, "NTFS", "\\\\a\\b");
  machine.Add("Y:\\", platform::kDriveRemote);
  machine.Add("Z:\\", platform::kDriveRemote, "NTFS", "\\\\c\\d");
  machine.m.hardware.drives[2].share_failure = Failure(1222, "The network is not present.");
  const Rows rows = machine.Run();
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[5][0], "X:\\\\a\\b");
  EXPECT_EQ(rows[6],
            (std::vector<std::string>{"error", "mDrive", "1222", "The network is not present."}));
  EXPECT_EQ(machine.m.hardware.share_lookups, (std::vector<std::string>{"X:\\", "Y:\\"}));
}

TEST(GetDriveList, NoDrivesShowsTheStopMessageAndRecordsNothing) {
  Machine machine;
  EXPECT_TRUE(machine.Run().empty());
  ASSERT_EQ(machine.m.ui.messages.size(), 1u);
  EXPECT_EQ(machine.m.ui.messages[0].text, "No Drives were found!");
  EXPECT_EQ(machine.m.ui.messages[0].icon, platform::MessageIcon::kCritical);
}

TEST(ListDrives, ListWithoutItsFinalTerminatorsIsWalkedSafely) {
  Machine machine;
  machine.Add("C:\\", platform::kDriveCdrom);
  machine.Add("D:\\", platform::kDriveRemovable);
  ListDrives(machine.ctx, std::string_view("c:\\\0d:\\", 7));
  ASSERT_EQ(machine.m.ui.rows.size(), 6u);
  EXPECT_EQ(machine.m.ui.rows[0][2], "C:\\CD-ROM");
  EXPECT_EQ(machine.m.ui.rows[3][2], "D:\\Floppy");
  ListDrives(machine.ctx, std::string_view("\0\0", 2));
  EXPECT_EQ(machine.m.ui.rows.size(), 6u);
}

// Compared as the text the drive rows are built from: a 32-bit build must
// round exactly as the 64-bit one does, and values past 2^53 only agree there.
TEST(LargeToDouble, NegativeHalvesAreTakenUnsigned) {
  struct Case {
    std::int32_t low, high;
    const char* want;
  } cases[] = {
      {0, 0, "0"},
      {-1, 0, "4294967295"},
      {0, 1, "4294967296"},
      {-2147483647 - 1, 0, "2147483648"},
      {-1, -1, "18446744073709551616"},
      {-525340672, 232, "1000202039296"},  // a 1 TB disk
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFixed(LargeToDouble(c.low, c.high), 0, "."), c.want) << c.low;
}

}  // namespace
}  // namespace norvale
