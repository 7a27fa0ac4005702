// A display and a set of drives, settable from tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/failure.h"
#include "platform/hardware.h"

namespace norvale::fakes {

class FakeHardware : public platform::Hardware {
 public:
  struct Drive {
    std::string root;  // as Windows lists it, "C:\"
    std::uint32_t type = platform::kDriveFixed;
    std::optional<std::string> file_system;  // nullopt: the volume cannot be asked
    std::string share;                       // for mapped drives
    std::optional<Failure> share_failure;    // the network lookup fails
  };

  platform::ScreenSize screen{1920, 1080};
  int color_depth = 32;
  std::optional<Failure> screen_failure;
  std::vector<Drive> drives{{"C:\\", platform::kDriveFixed, "NTFS", "", std::nullopt}};
  std::vector<std::string> share_lookups;  // roots asked for their share, in order

  platform::ScreenSize PrimaryScreenSize() override;
  int ColorDepth() override { return color_depth; }
  std::string LogicalDriveStrings() override;
  std::uint32_t DriveType(std::string_view root) override;
  std::optional<std::string> VolumeFileSystem(std::string_view root) override;
  std::string NetworkShareName(std::string_view root) override;

 private:
  const Drive* Find(std::string_view root) const;
};

}  // namespace norvale::fakes
