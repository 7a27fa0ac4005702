// How long GetDeviceList takes on the real registry. Run under Windows or
// Wine on a device tree made beforehand (bench/wine/device_list.sh imports a
// generated one into a throw-away prefix). The walk is timed three times and
// the fastest run is reported, with the registry calls it made per row.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "collectors/hardware/devices.h"
#include "core/context.h"
#include "platform/win32/machine.h"

// Counts the registry calls the walk makes, to tell our share of the cost
// from the cost of each call.
class CountingRegistry : public norvale::platform::Registry {
 public:
  explicit CountingRegistry(norvale::platform::Registry& inner) : inner_(inner) {}
  std::optional<std::vector<std::string>> EnumSubkeys(norvale::platform::RegRoot root,
                                                      std::string_view path,
                                                      norvale::platform::RegView view) override {
    ++calls;
    return inner_.EnumSubkeys(root, path, view);
  }
  std::optional<norvale::platform::RegValue> QueryValue(norvale::platform::RegRoot root,
                                                        std::string_view path,
                                                        std::string_view name,
                                                        norvale::platform::RegView view) override {
    ++calls;
    return inner_.QueryValue(root, path, name, view);
  }
  long long calls = 0;

 private:
  norvale::platform::Registry& inner_;
};

int main(int argc, char** argv) {
  using namespace norvale;
  const int instances = argc > 1 ? std::atoi(argv[1]) : 0;  // for the report only

  win32::Win32Machine windows(nullptr);  // its window is never created: the walk shows nothing
  win32::Win32System& system = windows.system;
  CountingRegistry registry(windows.registry);
  platform::Platform platform{registry,       system,           windows.locale, windows.files,
                              windows.window, windows.hardware, windows.wmi,    windows.security};
  Context ctx(platform);
  ctx.main.settings.auto_save = AutoSave::kOn;  // rows are counted, not shown
  ctx.main.computer_name = system.ComputerName();

  double best = 1e300;
  std::int64_t rows = 0;
  for (int run = 0; run < 3; ++run) {
    ctx.main.next_row = 0;
    registry.calls = 0;
    const auto start = std::chrono::steady_clock::now();
    GetDeviceList(ctx);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (took.count() < best) best = took.count();
    rows = ctx.main.next_row;
  }
  const double per_row = rows > 0 ? 1.0 / static_cast<double>(rows) : 0.0;
  std::printf("%9d  %6lld  %17.1f  %16.1f  %22.2f\n", instances, static_cast<long long>(rows), best,
              best * 1000 * per_row, static_cast<double>(registry.calls) * per_row);
  return 0;
}
