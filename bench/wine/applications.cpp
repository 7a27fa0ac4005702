// How long the application list takes on the real registry. Run by
// bench/wine/applications.sh after it has filled the uninstall keys; prints the
// rows found and the time of each run.
#include "collectors/software/applications.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/list_sink.h"
#include "core/context.h"
#include "platform/win32/machine.h"
#include "tests/fakes/fake_machine.h"

int main() {
  using namespace norvale;
  win32::Win32Machine windows;
  win32::Win32System& system = windows.system;
  win32::Win32Registry& registry = windows.registry;
  fakes::FakeMachine fake;  // the list in memory: only the collector is measured
  fakes::FakeUi& ui = fake.ui;
  platform::Platform platform{registry, system,        windows.locale, windows.files,
                              ui,       fake.hardware, fake.wmi,       fake.security};
  constexpr int kRuns = 3;
  for (int run = 1; run <= kRuns; ++run) {
    Context ctx(platform);
    ctx.main.computer_name = system.ComputerName();
    ui.rows.clear();
    ListSink shown(ctx, &ui.CreateResultList("font", 200));
    ctx.main.rows = &shown;
    const auto start = std::chrono::steady_clock::now();
    GetApplication(ctx);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::printf("run %d: %zu rows in %.0f ms\n", run, ui.rows.size(),
                std::chrono::duration<double, std::milli>(elapsed).count());
  }
  // Where the time goes: listing the entries, and one value of each.
  const char* uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  auto start = std::chrono::steady_clock::now();
  size_t listed = 0;
  std::vector<std::string> names[2];
  const platform::RegView views[2] = {platform::RegView::k32, platform::RegView::k64};
  for (int v = 0; v < 2; ++v) {
    names[v] = registry.EnumSubkeys(platform::RegRoot::kLocalMachine, uninstall, views[v])
                   .value_or(std::vector<std::string>{});
    listed += names[v].size();
  }
  auto ms = [](auto elapsed) { return std::chrono::duration<double, std::milli>(elapsed).count(); };
  std::printf("listing %zu entries: %.0f ms\n", listed,
              ms(std::chrono::steady_clock::now() - start));
  const char* view_names[2] = {"32-bit", "64-bit"};
  for (int v = 0; v < 2; ++v) {
    start = std::chrono::steady_clock::now();
    size_t read = 0;
    for (const std::string& name : names[v]) {
      read += registry
                  .QueryValue(platform::RegRoot::kLocalMachine,
                              std::string(uninstall) + "\\" + name, "DisplayName", views[v])
                  .has_value();
    }
    std::printf("one value of each %s entry (%zu read): %.0f ms\n", view_names[v], read,
                ms(std::chrono::steady_clock::now() - start));
  }
  return 0;
}
