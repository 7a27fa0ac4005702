#include "platform/win32/hardware.h"

#include <winnetwk.h>

#include <string>
#include <vector>

#include "core/failure.h"
#include "core/utf.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

std::string Narrow(const wchar_t* text, size_t length) {
  return Utf8(std::wstring_view(text, length));
}

}  // namespace

platform::ScreenSize Win32Hardware::PrimaryScreenSize() {
  // The whole primary screen, taskbar included, in physical pixels.
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0)
    throw Failure(error_number::kInvalidCall, "The screen size cannot be read");
  return {width, height};
}

int Win32Hardware::ColorDepth() {
  const HWND window = main_window_ ? main_window_() : nullptr;
  const WindowDc dc = GetWindowDc(window);
  if (!dc) throw Win32Failure(ERROR_INVALID_WINDOW_HANDLE);
  return GetDeviceCaps(dc.get().dc, BITSPIXEL);
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
  const auto get_connection =
      SystemFunction<decltype(&WNetGetConnectionW)>(L"mpr.dll", "WNetGetConnectionW");
  if (get_connection == nullptr) throw LastErrorFailure();
  // The connection is registered under the drive letter and colon alone.
  const std::wstring local = Wide(root.substr(0, 2));
  std::vector<wchar_t> remote(MAX_PATH + 1, L'\0');
  for (;;) {
    DWORD length = static_cast<DWORD>(remote.size());
    const DWORD result = get_connection(local.c_str(), remote.data(), &length);
    // A remembered connection that is not connected now still names its share.
    if (result == NO_ERROR || result == ERROR_CONNECTION_UNAVAIL) {
      return CutAtNul(Narrow(remote.data(), remote.size()));
    }
    if (result == ERROR_MORE_DATA && length > remote.size()) {
      remote.assign(length, L'\0');
      continue;
    }
    // A drive whose network provider cannot say (another vendor's client
    // that fails, a provider not running) keeps its place in the list with
    // an empty name, as the scripting runtime's ShareName gives; failing
    // here would hide every drive after it.
    return {};
  }
}

}  // namespace norvale::win32
