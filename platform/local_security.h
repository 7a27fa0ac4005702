// The local security authority's answer about the network identity, and the
// name of the user the program runs as.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace norvale::platform {

// POLICY_PRIMARY_DOMAIN_INFO: the name as the authority stores it (UTF-16
// units, exactly Length / 2 of them) and whether a domain SID came with it.
struct PrimaryDomainInfo {
  std::u16string name;
  bool has_sid = false;
};

// An open policy handle; closed (LsaClose) when the object goes.
class LsaPolicy {
 public:
  virtual ~LsaPolicy() = default;
  // LsaQueryInformationPolicy with PolicyPrimaryDomainInformation. Returns the
  // NTSTATUS; `info` is filled only when it is 0. The authority's buffer is
  // released before this returns.
  virtual std::uint32_t QueryPrimaryDomain(PrimaryDomainInfo& info) = 0;
};

class LocalSecurity {
 public:
  virtual ~LocalSecurity() = default;
  // LsaOpenPolicy of the local computer with POLICY_VIEW_LOCAL_INFORMATION.
  // Returns the NTSTATUS; `policy` is set only when it is 0.
  virtual std::uint32_t OpenPolicy(std::unique_ptr<LsaPolicy>& policy) = 0;
  // The system's text for an NTSTATUS; empty when it has none.
  virtual std::string StatusText(std::uint32_t status) = 0;
  // The user name from a 255-character buffer, or nullopt when the call fails.
  virtual std::optional<std::string> UserName() = 0;
};

}  // namespace norvale::platform
