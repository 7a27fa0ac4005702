#pragma once

#include <windows.h>

#include "platform/registry.h"

namespace norvale::win32 {

class Win32Registry : public platform::Registry {
 public:
  std::optional<std::vector<std::string>> EnumSubkeys(platform::RegRoot root, std::string_view path,
                                                      platform::RegView view) override;
  std::optional<platform::RegValue> QueryValue(platform::RegRoot root, std::string_view path,
                                               std::string_view name,
                                               platform::RegView view) override;
  // Opens the key once: under Wine every open of a deep path costs a server
  // round trip per path component.
  std::vector<std::optional<platform::RegValue>> QueryValues(platform::RegRoot root,
                                                             std::string_view path,
                                                             const std::vector<std::string>& names,
                                                             platform::RegView view) override;
};

// The names of every subkey of an open key, in enumeration order. Only "no
// more items" ends the list; any other answer throws Failure.
std::vector<std::string> SubkeyNames(HKEY key);

}  // namespace norvale::win32
