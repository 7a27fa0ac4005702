#include "collectors/software/applications.h"

#include "collectors/software/registry_access.h"
#include "core/recording.h"

namespace norvale {
namespace {

constexpr std::string_view kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

using ReadString = bool (*)(Context&, RegRoot, std::string_view, std::string_view, std::string&);

struct Pass {
  platform::RegView view;
  ReadString read;
};
constexpr Pass kPasses[] = {
    {platform::RegView::k32, ReadRegString32},
    {platform::RegView::k64, ReadRegString64},
};

void ListView(Context& ctx, const Pass& pass) {
  const auto entries = ctx.os.registry.EnumSubkeys(RegRoot::kLocalMachine, kUninstall, pass.view);
  if (!entries) return;
  for (const std::string& entry : *entries) {
    const std::string path = std::string(kUninstall) + "\\" + entry;
    auto read = [&](std::string_view name) {
      std::string text;
      pass.read(ctx, RegRoot::kLocalMachine, path, name, text);
      return text;
    };
    const std::string display_name = read("DisplayName");
    if (display_name.empty()) continue;
    const std::string version = read("DisplayVersion");
    const std::string publisher = read("Publisher");
    // Any non-empty bytes hide the entry: a REG_DWORD 1 does, a 0 does not.
    if (!read("SystemComponent").empty()) continue;
    RecordRow(ctx, Text("Soft"), Text("Application"), display_name, version, publisher);
  }
}

}  // namespace

void GetApplication(Context& ctx) {
  Guarded(ctx, "Soft", "mApplication", [&] {
    const int passes = IsWow64(ctx) ? 2 : 1;
    for (int i = 0; i < passes; ++i) ListView(ctx, kPasses[i]);
  });
}

}  // namespace norvale
