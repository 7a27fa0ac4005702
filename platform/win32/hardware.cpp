#include "platform/win32/hardware.h"

#include <winnetwk.h>

#include <string>
#include <vector>

#include "core/failure.h"
#include "core/utf.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

std::string Narrow(const wchar_t* text, size_t length) {
  return Utf8(std::wstring_view(text, length));
}

// A window's device context, released on every path.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace

platform::ScreenSize Win32Hardware::PrimaryScreenSize() {
  // The whole primary screen, taskbar included, in physical pixels.
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) throw Failure(5, "The screen size cannot be read");
  return {width, height};
}

int Win32Hardware::ColorDepth() {
  const HWND window = main_window_ ? main_window_() : nullptr;
  WindowDc dc(window);
  if (dc.get() == nullptr) throw Win32Failure(ERROR_INVALID_WINDOW_HANDLE);
  return GetDeviceCaps(dc.get(), BITSPIXEL);
}

std::string Win32Hardware::LogicalDriveStrings() {
  // A drive may be mapped between the two calls; ask again with the new size.
  DWORD needed = GetLogicalDriveStringsW(0, nullptr);
  for (int attempt = 0; attempt < 4 && needed > 0; ++attempt) {
    std::vector<wchar_t> buffer(needed, L'\0');
    const DWORD written = GetLogicalDriveStringsW(needed, buffer.data());
    if (written == 0) return {};
    if (written < needed) return Narrow(buffer.data(), buffer.size());
    needed = written + 1;
  }
  return {};
}

std::uint32_t Win32Hardware::DriveType(std::string_view root) {
  return GetDriveTypeW(Wide(root).c_str());
}

std::optional<std::string> Win32Hardware::VolumeFileSystem(std::string_view root) {
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(Wide(root).c_str(), nullptr, 0, nullptr, nullptr, nullptr, name,
                             MAX_PATH + 1)) {
    return std::nullopt;
  }
  return CutAtNul(Narrow(name, MAX_PATH + 1));
}

std::string Win32Hardware::NetworkShareName(std::string_view root) {
  // The connection is registered under the drive letter and colon alone.
  const std::wstring local = Wide(root.substr(0, 2));
  std::vector<wchar_t> remote(MAX_PATH + 1, L'\0');
  for (;;) {
    DWORD length = static_cast<DWORD>(remote.size());
    const DWORD result = WNetGetConnectionW(local.c_str(), remote.data(), &length);
    // A remembered connection that is not connected now still names its share.
    if (result == NO_ERROR || result == ERROR_CONNECTION_UNAVAIL) {
      return CutAtNul(Narrow(remote.data(), remote.size()));
    }
    if (result == ERROR_MORE_DATA && length > remote.size()) {
      remote.assign(length, L'\0');
      continue;
    }
    throw Win32Failure(result);
  }
}

}  // namespace norvale::win32
