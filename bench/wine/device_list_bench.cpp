// How long GetDeviceList takes on the real registry as the device tree grows.
// Run under Windows or Wine (it writes to HKLM, so use a throw-away prefix;
// bench/wine/device_list.sh does that):
//   device_list_bench.exe [count ...]   default 5000 10000: grows the tree to
//                                       each count, times the walk, cleans up
//   device_list_bench.exe --create N    only adds N instances and keeps them
//   device_list_bench.exe --walk        only times the walk of the tree as is
//   device_list_bench.exe --remove      only removes the generated instances
// The walk is timed three times; the fastest run is reported, with this
// process's CPU time (under Wine the registry work is the wineserver's).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "collectors/hardware/devices.h"
#include "core/context.h"
#include "platform/win32/files.h"
#include "platform/win32/hardware.h"
#include "platform/win32/local_security.h"
#include "platform/win32/main_window.h"
#include "platform/win32/registry.h"
#include "platform/win32/system.h"
#include "platform/win32/wmi.h"

namespace {

const wchar_t kEnum[] = L"SYSTEM\\CurrentControlSet\\Enum\\";
const wchar_t kClass[] = L"SYSTEM\\CurrentControlSet\\Control\\Class\\";
const wchar_t kDriverClass[] = L"{9e1f7c2a-0b3d-4e55-9a61-4e6f5276616c}";
constexpr int kBuses = 10;
constexpr int kInstancesPerDevice = 20;

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

HKEY CreateKey(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot create HKLM\\%ls\n", path.c_str());
    std::exit(2);
  }
  return key;
}

std::wstring BusName(int bus) { return L"NORVALEBENCH" + std::to_wstring(bus); }

// One present device instance and its driver key, like a PCI function.
void AddInstance(int i) {
  const std::wstring n = std::to_wstring(i);
  const std::wstring driver = std::wstring(kDriverClass) + L"\\" + n;
  const std::wstring path = kEnum + BusName(i % kBuses) + L"\\DEV_" +
                            std::to_wstring(i / (kBuses * kInstancesPerDevice)) + L"\\" + n;
  HKEY instance = CreateKey(path);
  SetText(instance, L"DeviceDesc", L"@oem1.inf,%dev%;Bench Device " + n);
  SetText(instance, L"Class", L"System");
  SetText(instance, L"Driver", driver);
  RegCloseKey(instance);
  RegCloseKey(CreateKey(path + L"\\Control"));
  HKEY driver_key = CreateKey(kClass + driver);
  SetText(driver_key, L"ProviderName", L"Norvale Bench");
  SetText(driver_key, L"DriverDate", L"7-1-2026");
  RegCloseKey(driver_key);
}

void RemoveAll() {
  for (int bus = 0; bus < kBuses; ++bus) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kEnum + BusName(bus)).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kEnum + BusName(bus)).c_str());
  }
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kClass) + kDriverClass).c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kClass) + kDriverClass).c_str());
}

}  // namespace

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

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) {
    return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

int main(int argc, char** argv) {
  using namespace norvale;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--remove") {
    RemoveAll();
    return 0;
  }
  if (mode == "--create") {
    const int count = argc > 2 ? std::atoi(argv[2]) : 5000;
    for (int i = 0; i < count; ++i) AddInstance(i);
    return 0;
  }
  const bool walk_only = mode == "--walk";
  std::vector<int> counts;
  for (int i = 1; i < argc && !walk_only; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {walk_only ? 0 : 5000, 10000};
  if (walk_only) counts = {0};
  std::sort(counts.begin(), counts.end());

  win32::Win32Registry windows_registry;
  CountingRegistry registry(windows_registry);
  win32::Win32System system;
  win32::Win32Locale locale;
  win32::Win32Files files;
  win32::MainWindow window(GetModuleHandleW(nullptr));
  win32::Win32Hardware hardware;
  win32::Win32Wmi wmi;
  win32::Win32LocalSecurity security;
  platform::Platform platform{registry, system, locale, files, window, hardware, wmi, security};
  Context ctx(platform);
  ctx.main.AutoSave = "1";  // rows are counted, not shown
  ctx.main.ComputerName = system.ComputerName();

  if (!walk_only) RemoveAll();
  std::printf(
      "instances  rows  fastest of 3 (ms)  its CPU (ms)  ms per 1000 rows  registry calls per "
      "row\n");
  int added = 0;
  for (int count : counts) {
    while (added < count) AddInstance(added++);
    double best = 1e300;
    double best_cpu = 0;
    std::int64_t rows = 0;
    for (int run = 0; run < 3; ++run) {
      ctx.main.RowIndex = 0;
      registry.calls = 0;
      const double cpu_start = ProcessCpuMs();
      const auto start = std::chrono::steady_clock::now();
      GetDeviceList(ctx);
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      if (took.count() < best) {
        best = took.count();
        best_cpu = ProcessCpuMs() - cpu_start;
      }
      rows = ctx.main.RowIndex;
    }
    const double per_row = rows > 0 ? 1.0 / static_cast<double>(rows) : 0.0;
    std::printf("%9d  %4lld  %17.1f  %12.1f  %15.1f  %22.2f\n", count, static_cast<long long>(rows),
                best, best_cpu, best * 1000 * per_row,
                static_cast<double>(registry.calls) * per_row);
  }
  if (!walk_only) RemoveAll();
  return 0;
}
