#include "platform/win32/hardware.h"

#include <gtest/gtest.h>

#include "core/failure.h"

namespace norvale::win32 {
namespace {

TEST(Win32Hardware, ScreenAndColourDepthAreAnswered) {
  Win32Hardware hardware;
  const auto screen = hardware.PrimaryScreenSize();
  EXPECT_GT(screen.width, 0);
  EXPECT_GT(screen.height, 0);
  const int depth = hardware.ColorDepth();
  EXPECT_GE(depth, 1);
  EXPECT_LE(depth, 32);
}

TEST(Win32Hardware, DriveListEndsWithTwoNulsAndHoldsTheSystemDrive) {
  Win32Hardware hardware;
  const std::string list = hardware.LogicalDriveStrings();
  ASSERT_GE(list.size(), 5u);
  EXPECT_EQ(list.substr(list.size() - 2), std::string(2, '\0'));
  EXPECT_NE(list.find(std::string("C:\\\0", 4)), std::string::npos);
  EXPECT_EQ(hardware.DriveType("C:\\"), platform::kDriveFixed);
  const auto file_system = hardware.VolumeFileSystem("C:\\");
  ASSERT_TRUE(file_system.has_value());
  EXPECT_FALSE(file_system->empty());
  EXPECT_EQ(file_system->find('\0'), std::string::npos);
}

TEST(Win32Hardware, UnmappedDriveHasNoShareAndNoVolume) {
  Win32Hardware hardware;
  EXPECT_EQ(hardware.DriveType("Q:\\"), platform::kDriveNoRootDir);
  EXPECT_FALSE(hardware.VolumeFileSystem("Q:\\").has_value());
  // No provider knows these drives: an empty name, not a failure that
  // would end the drive list (and MPR was found, or this would throw).
  EXPECT_EQ(hardware.NetworkShareName("Q:\\"), "");
  EXPECT_EQ(hardware.NetworkShareName("C:\\"), "");
}

}  // namespace
}  // namespace norvale::win32
