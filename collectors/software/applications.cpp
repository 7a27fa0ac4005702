#include "collectors/software/applications.h"

#include "collectors/common/registry_access.h"
#include "core/recording.h"
#include "core/result_labels.h"

namespace norvale {
namespace {

constexpr std::string_view kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

using ReadStrings = std::vector<std::string> (*)(Context&, RegRoot, std::string_view,
                                                 const std::vector<std::string>&);

struct Pass {
  platform::RegView view;
  ReadStrings read;
};
constexpr Pass kPasses[] = {
    {platform::RegView::k32, ReadRegStrings32},
    {platform::RegView::k64, ReadRegStrings64},
};

// The values read of each entry, in this order.
const std::vector<std::string> kValueNames = {"DisplayName", "DisplayVersion", "Publisher",
                                              "SystemComponent"};

void ListView(Context& ctx, const Pass& pass) {
  const auto entries = ctx.os.registry.EnumSubkeys(RegRoot::kLocalMachine, kUninstall, pass.view);
  if (!entries) return;
  for (const std::string& entry : *entries) {
    // One read of the four values: on a machine with thousands of entries
    // every key opening counts.
    const std::vector<std::string> values =
        pass.read(ctx, RegRoot::kLocalMachine, std::string(kUninstall) + "\\" + entry, kValueNames);
    const std::string& display_name = values[0];
    if (display_name.empty()) continue;
    // Any non-empty bytes hide the entry: a REG_DWORD 1 does, a 0 does not.
    if (!values[3].empty()) continue;
    RecordRow(ctx, Text(kGroupSoft), Text(kItemApplication), display_name, values[1], values[2]);
  }
}

}  // namespace

void GetApplication(Context& ctx) {
  Guarded(ctx, kGroupSoft, kModuleApplication, [&] {
    const int passes = IsWow64(ctx) ? 2 : 1;
    for (int i = 0; i < passes; ++i) ListView(ctx, kPasses[i]);
  });
}

}  // namespace norvale
