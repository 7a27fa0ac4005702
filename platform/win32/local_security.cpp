#include "platform/win32/local_security.h"

#include <windows.h>
// ntsecapi.h needs the base types of windows.h first.
#include <ntsecapi.h>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

class Win32Policy : public platform::LsaPolicy {
 public:
  explicit Win32Policy(LsaPolicyHandle handle) : handle_(std::move(handle)) {}

  std::uint32_t QueryPrimaryDomain(platform::PrimaryDomainInfo& info) override {
    LsaMemory buffer;
    const NTSTATUS status =
        LsaQueryInformationPolicy(handle_.get(), PolicyPrimaryDomainInformation, buffer.put());
    if (status != 0 || buffer.get() == nullptr) return static_cast<std::uint32_t>(status);
    const auto* domain = static_cast<const POLICY_PRIMARY_DOMAIN_INFO*>(buffer.get());
    // Length counts bytes; the name carries no terminator.
    const LSA_UNICODE_STRING& name = domain->Name;
    info.name.clear();
    if (name.Buffer != nullptr && name.Length >= 2) {
      info.name.assign(reinterpret_cast<const char16_t*>(name.Buffer), name.Length / 2);
    }
    info.has_sid = domain->Sid != nullptr;
    return 0;
  }

 private:
  LsaPolicyHandle handle_;
};

}  // namespace

std::uint32_t Win32LocalSecurity::OpenPolicy(std::unique_ptr<platform::LsaPolicy>& policy) {
  LSA_UNICODE_STRING local_computer{};
  LSA_OBJECT_ATTRIBUTES attributes{};
  LsaPolicyHandle handle;
  const NTSTATUS status =
      LsaOpenPolicy(&local_computer, &attributes, POLICY_VIEW_LOCAL_INFORMATION, handle.put());
  if (status != 0) return static_cast<std::uint32_t>(status);
  policy = std::make_unique<Win32Policy>(std::move(handle));
  return 0;
}

std::string Win32LocalSecurity::StatusText(std::uint32_t status) {
  const ULONG error = LsaNtStatusToWinError(static_cast<NTSTATUS>(status));
  if (error == ERROR_MR_MID_NOT_FOUND) return {};
  return SystemMessage(error);
}

std::optional<std::string> Win32LocalSecurity::UserName() {
  wchar_t buffer[255];
  DWORD length = 255;
  if (!GetUserNameW(buffer, &length)) return std::nullopt;
  size_t end = 0;
  while (end < 255 && buffer[end] != L'\0') ++end;
  return Utf8(std::wstring_view(buffer, end));
}

}  // namespace norvale::win32
