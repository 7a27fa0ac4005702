#include "platform/win32/registry.h"

#include <windows.h>

#include <memory>

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

REGSAM ViewFlag(platform::RegView view) {
  switch (view) {
    case platform::RegView::k32:
      return KEY_WOW64_32KEY;
    case platform::RegView::k64:
      return KEY_WOW64_64KEY;
    case platform::RegView::kDefault:
      break;
  }
  return 0;
}

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyHandle = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

KeyHandle Open(platform::RegRoot root, std::string_view path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(RootHandle(root), Wide(path).c_str(), 0, access, &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return KeyHandle(key);
}

}  // namespace

std::optional<std::vector<std::string>> Win32Registry::EnumSubkeys(platform::RegRoot root,
                                                                   std::string_view path,
                                                                   platform::RegView view) {
  const KeyHandle key = Open(root, path, KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | ViewFlag(view));
  if (!key) return std::nullopt;
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(Utf8(std::wstring_view(name, length)));
  }
  return names;
}

std::optional<platform::RegValue> Win32Registry::QueryValue(platform::RegRoot root,
                                                            std::string_view path,
                                                            std::string_view name,
                                                            platform::RegView view) {
  const KeyHandle key = Open(root, path, KEY_QUERY_VALUE | ViewFlag(view));
  if (!key) return std::nullopt;
  const std::wstring value_name = Wide(name);
  platform::RegValue value;
  DWORD size = 0;
  DWORD type = 0;
  // The size can grow between the two calls; ask again until it fits.
  for (int attempt = 0; attempt < 4; ++attempt) {
    LONG status = RegQueryValueExW(key.get(), value_name.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return std::nullopt;
    value.data.resize(size);
    status = RegQueryValueExW(key.get(), value_name.c_str(), nullptr, &type,
                              value.data.empty() ? nullptr : value.data.data(), &size);
    if (status == ERROR_SUCCESS) {
      value.data.resize(size);
      value.type = type;
      return value;
    }
    if (status != ERROR_MORE_DATA) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace norvale::win32
