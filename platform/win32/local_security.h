// The local security authority (advapi32) and the user name.
#pragma once

#include "platform/local_security.h"

namespace norvale::win32 {

class Win32LocalSecurity : public platform::LocalSecurity {
 public:
  std::uint32_t OpenPolicy(std::unique_ptr<platform::LsaPolicy>& policy) override;
  std::string StatusText(std::uint32_t status) override;
  std::optional<std::string> UserName() override;
};

}  // namespace norvale::win32
