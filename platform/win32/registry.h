#pragma once

#include "platform/registry.h"

namespace norvale::win32 {

class Win32Registry : public platform::Registry {
 public:
  std::optional<std::vector<std::string>> EnumSubkeys(platform::RegRoot root, std::string_view path,
                                                      platform::RegView view) override;
  std::optional<platform::RegValue> QueryValue(platform::RegRoot root, std::string_view path,
                                               std::string_view name,
                                               platform::RegView view) override;
};

}  // namespace norvale::win32
