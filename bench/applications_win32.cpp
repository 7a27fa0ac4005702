// How long the application list takes on the real registry. Run by
// bench/applications.sh after it has filled the uninstall keys; prints the
// rows found and the time of each run.
#include <chrono>
#include <cstdio>

#include "collectors/software/applications.h"
#include "core/context.h"
#include "platform/win32/files.h"
#include "platform/win32/registry.h"
#include "platform/win32/system.h"
#include "tests/fakes/fake_machine.h"

int main() {
  using namespace norvale;
  win32::Win32Registry registry;
  win32::Win32System system;
  win32::Win32Locale locale;
  win32::Win32Files files;
  fakes::FakeUi ui;  // the list in memory: only the collector is measured
  platform::Platform platform{registry, system, locale, files, ui};
  constexpr int kRuns = 3;
  for (int run = 1; run <= kRuns; ++run) {
    Context ctx(platform);
    ctx.main.ComputerName = system.ComputerName();
    ui.rows.clear();
    ctx.main.ResultList = &ui.CreateResultList("font", 200);
    const auto start = std::chrono::steady_clock::now();
    GetApplication(ctx);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::printf("run %d: %zu rows in %.0f ms\n", run, ui.rows.size(),
                std::chrono::duration<double, std::milli>(elapsed).count());
  }
  return 0;
}
