#include "collectors/software/windows_version.h"

#include <cstdint>

#include "core/recording.h"
#include "core/result_labels.h"

namespace norvale {
namespace {

constexpr std::uint32_t kPlatformWindows = 1;  // 95, 98, Me
constexpr std::uint32_t kPlatformNt = 2;
constexpr std::uint8_t kWorkstation = 1;
constexpr std::uint8_t kServer = 3;
constexpr std::uint16_t kSuitePersonal = 0x200;

std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

// "Windows NT Version 4.00": the minor number always as two digits.
std::string NtName(std::uint32_t major, std::uint32_t minor) {
  const std::string padded = "00" + std::to_string(minor);
  return "Windows NT Version " + std::to_string(major) + "." + padded.substr(padded.size() - 2);
}

std::string Windows9xName(std::uint32_t major, std::uint32_t minor, const std::string& sp) {
  if (major != 4) return "Windows Me later";
  switch (minor) {
    case 0:
      return "Windows 95" + sp;
    case 10:
      return "Windows 98";
    case 90:
      return "Windows Me";
    default:
      return "Windows Me later";
  }
}

std::string NtFamilyName(const platform::VersionRecord& v, std::uint16_t suite,
                         std::uint8_t product) {
  if (v.major < 5) {
    if (v.extended_valid && product == kWorkstation)
      return NtName(v.major, v.minor) + " Workstation";
    if (v.extended_valid && product == kServer) return NtName(v.major, v.minor) + " Server";
    return NtName(v.major, v.minor);
  }
  if (v.major > 5) return {};
  if (v.minor == 0) {
    if (product == kWorkstation) return "Windows 2000 Professional";
    if (product == kServer) return "Windows 2000 Server";
    return "Windows 2000";
  }
  if (v.minor == 1) {
    if ((suite & kSuitePersonal) != 0) return "Windows XP Home Edition";
    // XP Professional and the servers carry their full name in the registry.
    if (product == kWorkstation || product == kServer) return {};
    return "Windows XP";
  }
  return {};
}

}  // namespace

WindowsVersionName ReadWindowsVersionName(Context& ctx) {
  WindowsVersionName result;
  std::string& name = result.name;
  Guarded(ctx, kGroupSoft, kModuleWindowsVersion, [&] {
    const auto version = ctx.os.system.Version();
    if (!version) return;
    const platform::VersionRecord& v = *version;
    result.service_pack = UpToNul(v.csd_version);
    const std::uint16_t suite = v.extended_valid ? v.suite_mask : 0;
    const std::uint8_t product = v.extended_valid ? v.product_type : 0;
    if (v.platform_id == kPlatformWindows) {
      name = Windows9xName(v.major, v.minor, result.service_pack) +
             " Build: " + std::to_string(static_cast<std::int16_t>(v.build & 0xFFFF));
    } else if (v.platform_id == kPlatformNt) {
      name = NtFamilyName(v, suite, product);
    }
  });
  return result;
}

}  // namespace norvale
