// The file version from a file's version resource.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/files.h"
#include "platform/win32/text.h"

namespace norvale::win32 {

std::optional<std::string> Win32Files::FileVersion(std::string_view path) {
  const std::wstring wide = Wide(path);
  // Only a plain file counts: folders, hidden and system files do not, and
  // neither do wildcard patterns (GetFileAttributes does not expand them).
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) !=
          0) {
    return std::nullopt;
  }
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &handle);
  if (size == 0) return std::string();  // no version resource
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(wide.c_str(), 0, size, data.data())) return std::string();
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size) ||
      fixed == nullptr || fixed_size < sizeof(VS_FIXEDFILEINFO)) {
    return std::string();
  }
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionLS));
}

}  // namespace norvale::win32
