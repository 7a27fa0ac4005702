// The display and the logical drives, as the hardware collectors see them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvale::platform {

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// GetDriveType's answers.
inline constexpr std::uint32_t kDriveUnknown = 0;
inline constexpr std::uint32_t kDriveNoRootDir = 1;
inline constexpr std::uint32_t kDriveRemovable = 2;
inline constexpr std::uint32_t kDriveFixed = 3;
inline constexpr std::uint32_t kDriveRemote = 4;
inline constexpr std::uint32_t kDriveCdrom = 5;
inline constexpr std::uint32_t kDriveRamdisk = 6;

class Hardware {
 public:
  virtual ~Hardware() = default;

  // The pixel size of the whole primary display. Throws Failure.
  virtual ScreenSize PrimaryScreenSize() = 0;
  // Bits per pixel of the main window's device context. Throws Failure.
  virtual int ColorDepth() = 0;

  // The drive roots as GetLogicalDriveStrings lists them: each root ("C:\")
  // followed by a NUL, and one more NUL at the end; empty when there are none.
  virtual std::string LogicalDriveStrings() = 0;
  virtual std::uint32_t DriveType(std::string_view root) = 0;
  // The file system name of the volume at `root` ("NTFS"), or nullopt when
  // the volume cannot be asked (no medium, disconnected share).
  virtual std::optional<std::string> VolumeFileSystem(std::string_view root) = 0;
  // The share a mapped drive is connected to, as \\server\share. Throws
  // Failure when the network cannot say.
  virtual std::string NetworkShareName(std::string_view root) = 0;
};

}  // namespace norvale::platform
