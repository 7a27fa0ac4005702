#include "collectors/software/software.h"

#include <charconv>

#include "collectors/common/registry_access.h"
#include "collectors/software/windows_version.h"
#include "core/recording.h"
#include "core/result_labels.h"
#include "core/utf.h"

namespace norvale {
namespace {

constexpr const char* kCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kInternetExplorer = "SOFTWARE\\Microsoft\\Internet Explorer";
// Windows 11 still calls itself "Windows 10" in ProductName; its builds start here.
constexpr long kFirstWindows11Build = 22000;

std::string RegText(Context& ctx, const char* path, const char* name) {
  const Value value =
      ReadRegValue(ctx, RegRoot::kLocalMachine, path, name, RegValueKind::kText, Text(""));
  const auto* text = std::get_if<std::string>(&value);
  return text != nullptr ? *text : std::string();
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

bool IsWindows11Build(std::string_view build) {
  long number = 0;
  const auto [end, error] = std::from_chars(build.data(), build.data() + build.size(), number);
  return error == std::errc() && end == build.data() + build.size() &&
         number >= kFirstWindows11Build;
}

std::string ShortServicePack(const std::string& text) {
  return ReplaceAll(text, "Service Pack", "SP");
}

}  // namespace

void GetSoftware(Context& ctx) {
  Guarded(ctx, kGroupSoft, kModuleSoft, [&] {
    const WindowsVersionName version = ReadWindowsVersionName(ctx);
    std::string name = version.name;
    const bool name_from_registry = name.empty();
    if (name_from_registry) {
      name = RegText(ctx, kCurrentVersion, "ProductName");
      for (const char* mark : {"Microsoft ", " (TM)", "(TM)"}) name = ReplaceAll(name, mark, "");
    }
    std::string service_pack = ShortServicePack(RegText(ctx, kCurrentVersion, "CSDVersion"));
    if (Utf8ToCodePoints(service_pack).size() < 2) {
      service_pack = ShortServicePack(version.service_pack);
    }
    const std::string build = RegText(ctx, kCurrentVersion, "CurrentBuildNumber");
    if (name_from_registry && name.starts_with("Windows 10") && IsWindows11Build(build)) {
      name.replace(0, 10, "Windows 11");
    }
    std::string product_id;
    ReadRegString64(ctx, RegRoot::kLocalMachine, kCurrentVersion, "ProductId", product_id);
    const std::string system_folder = ctx.os.system.SystemDirectory();
    const std::string ie_version = TrimSpaces(RegText(ctx, kInternetExplorer, "Version"));

    const struct {
      const char* item;
      const char* sub_item;
      std::string contents;
    } rows[] = {
        {kItemWindows, kSubItemVersion, name + " (Build " + build + ") " + service_pack},
        {kItemWindows, kSubItemProductId, product_id},
        {kItemWindows, kSubItemSystemPath, system_folder},
        {kItemInternetExplorer, kSubItemVersion, ie_version},
    };
    for (const auto& row : rows) {
      RecordRow(ctx, Text(kGroupSoft), Text(row.item), Text(row.sub_item), row.contents, Text(""));
    }
  });
}

}  // namespace norvale
