// How long GetDeviceList takes on the real registry as the device tree grows.
// Run under Windows or Wine (it writes to HKLM, so use a throw-away prefix):
//   wine device_list_bench.exe [count ...]      default: 5000 10000
// Each count is a total of generated device instances; the walk is timed
// three times per count and the fastest run is reported.
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
#include "platform/win32/main_window.h"
#include "platform/win32/registry.h"
#include "platform/win32/system.h"

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

int main(int argc, char** argv) {
  using namespace norvale;
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {5000, 10000};
  std::sort(counts.begin(), counts.end());

  win32::Win32Registry registry;
  win32::Win32System system;
  win32::Win32Locale locale;
  win32::Win32Files files;
  win32::MainWindow window(GetModuleHandleW(nullptr));
  win32::Win32Hardware hardware;
  platform::Platform platform{registry, system, locale, files, window, hardware};
  Context ctx(platform);
  ctx.main.AutoSave = "1";  // rows are counted, not shown
  ctx.main.ComputerName = system.ComputerName();

  RemoveAll();
  std::printf("instances  rows  fastest of 3 (ms)  ms per 1000 instances\n");
  int added = 0;
  for (int count : counts) {
    while (added < count) AddInstance(added++);
    double best = 1e300;
    std::int64_t rows = 0;
    for (int run = 0; run < 3; ++run) {
      ctx.main.RowIndex = 0;
      const auto start = std::chrono::steady_clock::now();
      GetDeviceList(ctx);
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      best = std::min(best, took.count());
      rows = ctx.main.RowIndex;
    }
    std::printf("%9d  %4lld  %17.1f  %21.1f\n", count, static_cast<long long>(rows), best,
                best * 1000 / count);
  }
  RemoveAll();
  return 0;
}
