#include "collectors/hardware/devices.h"

#include <string>
#include <string_view>
#include <vector>

#include "collectors/common/registry_access.h"
#include "core/recording.h"
#include "core/result_labels.h"

namespace norvale {
namespace {

constexpr char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum";
constexpr char kClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";

// Buses whose devices are best known by their friendly name (disks, drives).
constexpr std::string_view kFriendlyNameBuses[] = {"ACPI", "IDE", "PCIIDE", "SCSI", "USBSTOR"};

std::string ReadText(Context& ctx, const std::string& key, std::string_view name) {
  Value value =
      ReadRegValue(ctx, RegRoot::kLocalMachine, key, name, RegValueKind::kText, std::string());
  if (auto* text = std::get_if<std::string>(&value)) return std::move(*text);
  return {};
}

std::vector<std::string> Subkeys(Context& ctx, const std::string& key) {
  std::vector<std::string> names;
  EnumRegSubkeys(ctx, RegRoot::kLocalMachine, key, names);
  return names;
}

bool IsFriendlyNameBus(std::string_view bus) {
  for (std::string_view b : kFriendlyNameBuses) {
    if (b == bus) return true;
  }
  return false;
}

std::string GroupOf(Context& ctx, const std::string& device_class) {
  if (!ctx.IsJapanese()) return device_class;
  for (const LabelPair& g : kDeviceGroups) {
    if (g.english == device_class) return g.japanese;
  }
  return device_class;
}

// Records the instance's row when it is a present device worth listing.
void VisitInstance(Context& ctx, const std::string& bus, const std::string& path) {
  const std::string description = ReadText(ctx, path, "DeviceDesc");
  if (description.empty()) return;
  // "@file.inf,%name%" without a readable fallback name after ";": an
  // unresolved resource string, nothing a person could recognise.
  if (description.front() == '@' && description.find(';') == std::string::npos) return;
  const auto semicolon = description.find(';');
  const std::string short_name =
      semicolon == std::string::npos ? description : description.substr(semicolon + 1);

  // Instances without a "Control" subkey were once attached and are gone now.
  bool present = false;
  for (const std::string& name : Subkeys(ctx, path)) {
    if (name == "Control") {
      present = true;
      break;
    }
  }
  std::string device_class = ReadText(ctx, path, "Class");
  if (device_class.empty()) device_class = kDeviceClassUnknown;
  if (device_class == "Computer") present = true;
  if (!present) return;

  const std::string driver_path = kClassKey + ReadText(ctx, path, "Driver");
  std::string display_name;
  if (IsFriendlyNameBus(bus)) display_name = ReadText(ctx, path, "FriendlyName");
  if (display_name.empty()) display_name = ReadText(ctx, driver_path, "DeviceDesc");
  if (display_name.empty()) display_name = short_name;
  if (display_name.empty()) return;

  const std::string group = GroupOf(ctx, device_class);
  if (group == kDeviceGroupLegacyDriver.english || group == kDeviceGroupLegacyDriver.japanese)
    return;

  RecordRow(ctx, std::string(kGroupDevice), group, display_name,
            ReadText(ctx, driver_path, "ProviderName"), ReadText(ctx, driver_path, "DriverDate"));
}

}  // namespace

void GetDeviceList(Context& ctx) {
  Guarded(ctx, kGroupDevice, kModuleDevice, [&] {
    for (const std::string& bus : Subkeys(ctx, kEnumKey)) {
      const std::string bus_path = std::string(kEnumKey) + "\\" + bus;
      for (const std::string& device : Subkeys(ctx, bus_path)) {
        const std::string device_path = bus_path + "\\" + device;
        for (const std::string& instance : Subkeys(ctx, device_path)) {
          VisitInstance(ctx, bus, device_path + "\\" + instance);
        }
      }
    }
  });
}

}  // namespace norvale
