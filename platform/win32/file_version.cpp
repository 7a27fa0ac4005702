// The file version from a file's version resource.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/files.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

constexpr wchar_t kVersionDll[] = L"version.dll";

// Errors that mean the file could not be read at all, as opposed to a file
// that was read and has no version resource (text files, data files, 16-bit
// programs answer with a variety of resource and format errors). Only these
// become a failure.
bool IsReadFailure(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BAD_NETPATH:
    case ERROR_NETWORK_BUSY:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_IO_DEVICE:
    case ERROR_SEM_TIMEOUT:
    case ERROR_NO_SYSTEM_RESOURCES:
      return true;
    default:
      return false;
  }
}

// The empty text of "no version resource", or the failure that kept the
// file from being read.
std::string NoVersion(DWORD error) {
  if (IsReadFailure(error)) throw Win32Failure(error);
  return {};
}

}  // namespace

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
  const auto info_size =
      SystemFunction<decltype(&GetFileVersionInfoSizeW)>(kVersionDll, "GetFileVersionInfoSizeW");
  const auto info =
      SystemFunction<decltype(&GetFileVersionInfoW)>(kVersionDll, "GetFileVersionInfoW");
  const auto query = SystemFunction<decltype(&VerQueryValueW)>(kVersionDll, "VerQueryValueW");
  if (info_size == nullptr || info == nullptr || query == nullptr) throw LastErrorFailure();

  DWORD handle = 0;
  SetLastError(ERROR_SUCCESS);
  const DWORD size = info_size(wide.c_str(), &handle);
  if (size == 0) return NoVersion(GetLastError());
  std::vector<BYTE> data(size);
  SetLastError(ERROR_SUCCESS);
  if (!info(wide.c_str(), 0, size, data.data())) return NoVersion(GetLastError());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  if (!query(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size) ||
      fixed == nullptr || fixed_size < sizeof(VS_FIXEDFILEINFO)) {
    return std::string();
  }
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionLS));
}

}  // namespace norvale::win32
