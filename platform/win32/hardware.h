// The display and the logical drives, from user32, gdi32, kernel32 and mpr.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/hardware.h"

namespace norvale::win32 {

class Win32Hardware : public platform::Hardware {
 public:
  // `main_window` answers the main window when the colour depth is asked;
  // null (no window yet) asks the screen itself.
  explicit Win32Hardware(std::function<HWND()> main_window = {})
      : main_window_(std::move(main_window)) {}

  platform::ScreenSize PrimaryScreenSize() override;
  int ColorDepth() override;
  std::string LogicalDriveStrings() override;
  std::uint32_t DriveType(std::string_view root) override;
  std::optional<std::string> VolumeFileSystem(std::string_view root) override;
  std::string NetworkShareName(std::string_view root) override;

 private:
  std::function<HWND()> main_window_;
};

}  // namespace norvale::win32
