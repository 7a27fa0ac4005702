#include "platform/win32/local_security.h"

#include <windows.h>
// ntsecapi.h needs the base types of windows.h first.
#include <ntsecapi.h>

#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

// A buffer the authority allocated, freed with LsaFreeMemory.
class LsaBuffer {
 public:
  LsaBuffer() = default;
  ~LsaBuffer() {
    if (p_ != nullptr) LsaFreeMemory(p_);
  }
  LsaBuffer(const LsaBuffer&) = delete;
  LsaBuffer& operator=(const LsaBuffer&) = delete;
  PVOID* put() { return &p_; }
  PVOID get() const { return p_; }

 private:
  PVOID p_ = nullptr;
};

class Win32Policy : public platform::LsaPolicy {
 public:
  explicit Win32Policy(LSA_HANDLE handle) : handle_(handle) {}
  ~Win32Policy() override { LsaClose(handle_); }
  Win32Policy(const Win32Policy&) = delete;
  Win32Policy& operator=(const Win32Policy&) = delete;

  std::uint32_t QueryPrimaryDomain(platform::PrimaryDomainInfo& info) override {
    LsaBuffer buffer;
    const NTSTATUS status =
        LsaQueryInformationPolicy(handle_, PolicyPrimaryDomainInformation, buffer.put());
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
  LSA_HANDLE handle_;
};

}  // namespace

std::uint32_t Win32LocalSecurity::OpenPolicy(std::unique_ptr<platform::LsaPolicy>& policy) {
  LSA_UNICODE_STRING local_computer{};
  LSA_OBJECT_ATTRIBUTES attributes{};
  LSA_HANDLE handle = nullptr;
  const NTSTATUS status =
      LsaOpenPolicy(&local_computer, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &handle);
  if (status != 0) return static_cast<std::uint32_t>(status);
  policy = std::make_unique<Win32Policy>(handle);
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
