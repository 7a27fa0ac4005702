#include "platform/win32/registry.h"

#include <windows.h>

#include "core/utf.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

HKEY RootHandle(platform::RegRoot root) {
  switch (root) {
    case platform::RegRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case platform::RegRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
    case platform::RegRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case platform::RegRoot::kUsers:
      return HKEY_USERS;
    case platform::RegRoot::kPerformanceData:
      return HKEY_PERFORMANCE_DATA;
    case platform::RegRoot::kCurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case platform::RegRoot::kDynData:
      return HKEY_DYN_DATA;
  }
  return HKEY_LOCAL_MACHINE;
}

#ifdef _WIN64
// Only HKEY_LOCAL_MACHINE\SOFTWARE has two views; elsewhere a view flag
// changes nothing but the cost of opening the key (under Wine a lot).
bool HasTwoViews(platform::RegRoot root, std::string_view path) {
  constexpr std::string_view kSoftware = "SOFTWARE";
  return root == platform::RegRoot::kLocalMachine && path.size() >= kSoftware.size() &&
         EqualsNoCase(path.substr(0, kSoftware.size()), kSoftware) &&
         (path.size() == kSoftware.size() || path[kSoftware.size()] == '\\');
}
#endif

REGSAM ViewFlag(platform::RegRoot root, std::string_view path, platform::RegView view) {
  switch (view) {
    case platform::RegView::k32:
      return KEY_WOW64_32KEY;
    case platform::RegView::k64:
      return KEY_WOW64_64KEY;
    case platform::RegView::kDefault:
      break;
  }
#ifdef _WIN64
  // What a 32-bit process sees without asking, so that the 64-bit build
  // reports the same values as the 32-bit program.
  return HasTwoViews(root, path) ? KEY_WOW64_32KEY : 0;
#else
  (void)root;
  (void)path;
  return 0;
#endif
}

KeyHandle Open(platform::RegRoot root, std::string_view path, REGSAM access) {
  KeyHandle key;
  if (RegOpenKeyExW(RootHandle(root), Wide(path).c_str(), 0, access, key.put()) != ERROR_SUCCESS) {
    return KeyHandle();
  }
  return key;
}

std::optional<platform::RegValue> ReadValue(HKEY key, std::string_view name) {
  const std::wstring value_name = Wide(name);
  platform::RegValue value;
  // Most values fit the first buffer, so one round trip usually does; under
  // Wine every call is a trip to the server. A value that grows between
  // calls, or performance data that does not say its size, gets a larger
  // buffer and another try.
  value.data.resize(1024);
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD capacity = static_cast<DWORD>(value.data.size());
    DWORD size = capacity;
    DWORD type = 0;
    const LONG status =
        RegQueryValueExW(key, value_name.c_str(), nullptr, &type, value.data.data(), &size);
    if (status == ERROR_SUCCESS) {
      value.data.resize(size);
      value.type = type;
      return value;
    }
    if (status != ERROR_MORE_DATA) return std::nullopt;
    value.data.resize(size > capacity ? size : capacity * 2);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::string>> Win32Registry::EnumSubkeys(platform::RegRoot root,
                                                                   std::string_view path,
                                                                   platform::RegView view) {
  const KeyHandle key =
      Open(root, path, KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | ViewFlag(root, path, view));
  if (!key) return std::nullopt;
  return SubkeyNames(key.get());
}

std::vector<std::string> SubkeyNames(HKEY key) {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    const LONG status =
        RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    // A key deleted or made unreadable under us is a failure, not the end
    // of a shorter list.
    if (status != ERROR_SUCCESS) throw Win32Failure(static_cast<DWORD>(status));
    names.push_back(Utf8(std::wstring_view(name, length)));
  }
  return names;
}

std::optional<platform::RegValue> Win32Registry::QueryValue(platform::RegRoot root,
                                                            std::string_view path,
                                                            std::string_view name,
                                                            platform::RegView view) {
  const KeyHandle key = Open(root, path, KEY_QUERY_VALUE | ViewFlag(root, path, view));
  if (!key) return std::nullopt;
  return ReadValue(key.get(), name);
}

std::vector<std::optional<platform::RegValue>> Win32Registry::QueryValues(
    platform::RegRoot root, std::string_view path, const std::vector<std::string>& names,
    platform::RegView view) {
  std::vector<std::optional<platform::RegValue>> values(names.size());
  const KeyHandle key = Open(root, path, KEY_QUERY_VALUE | ViewFlag(root, path, view));
  if (!key) return values;
  for (size_t i = 0; i < names.size(); ++i) values[i] = ReadValue(key.get(), names[i]);
  return values;
}

}  // namespace norvale::win32
