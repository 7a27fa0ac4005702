#include "collectors/wmi/wmi_inventory.h"

#include <cmath>
#include <iterator>
#include <vector>

#include "collectors/common/wmi_access.h"
#include "core/failure.h"
#include "core/number_format.h"
#include "core/recording.h"
#include "core/result_labels.h"
#include "core/utf.h"

namespace norvale {
namespace {

constexpr const char* kChassisTypes[] = {
    nullptr,  // 0 is no chassis type
    "Other",
    "Unknown",
    "Desktop",
    "Low Profile Desktop",
    "Pizza Box",
    "Mini Tower",
    "Tower",
    "Portable",
    "Laptop",
    "Notebook",
    "Hand Held",
    "Docking Station",
    "All in One",
    "Sub Notebook",
    "Space-Saving",
    "Lunch Box",
    "Main System Chassis",
    "Expansion Chassis",
    "Sub Chassis",
    "Bus Expansion Chassis",
    "Peripheral Chassis",
    "Storage Chassis",
    "Rack Mount Chassis",
    "Sealed-Case PC",
};

constexpr const char* kMemoryTypes[] = {
    "Unknown",    "Other",  "DRAM",  "Synchronous DRAM",
    "Cache DRAM", "EDO",    "EDRAM", "VRAM",
    "SRAM",       "RAM",    "ROM",   "Flash",
    "EEPROM",     "FEPROM", "EPROM", "CDRAM",
    "3DRAM",      "SDRAM",  "SGRAM", "RDRAM",
    "DDR",
};

constexpr const char* kFormFactors[] = {
    "Unknown", "Other", "SIP",  "DIP",  "ZIP",    "SOJ",   "Proprietary", "SIMM",
    "DIMM",    "TSOP",  "PGA",  "RIMM", "SODIMM", "SRIMM", "SMD",         "SSMP",
    "QFP",     "TQFP",  "SOIC", "LCC",  "PLCC",   "BGA",   "FPBGA",       "LGA",
};

template <size_t N>
std::string CodeText(const char* const (&table)[N], std::optional<std::int64_t> code,
                     const char* fallback) {
  if (!code || *code < 0 || *code >= static_cast<std::int64_t>(N) || table[*code] == nullptr) {
    return fallback;
  }
  return table[*code];
}

// A whole-number code, or nullopt for null and anything that is not one.
std::optional<std::int64_t> Code(const WmiValue& value) {
  const auto number = WmiNumber(value);
  if (!number || std::floor(*number) != *number || std::fabs(*number) > 1e15) return std::nullopt;
  return static_cast<std::int64_t>(*number);
}

// One row of a single-object query: the SubItem and the property behind it.
struct Field {
  const char* sub_item;
  const char* property;
};

struct Section {
  const char* item;
  const char* wql;
  std::vector<Field> fields;
};

const Section kSystem{kItemSystem,
                      "Select * From Win32_ComputerSystem",
                      {{kSubItemVendor, "Manufacturer"}, {kSubItemModel, "Model"}}};
const Section kBios{kItemBios,
                    "Select * From Win32_BIOS",
                    {{kSubItemVendor, "Manufacturer"},
                     {kSubItemCaption, "Name"},
                     {kSubItemVersion, "Version"},
                     {kSubItemReleaseDate, "ReleaseDate"},
                     {kSubItemSerialNo, "SerialNumber"}}};
const Section kBaseBoard{kItemBaseBoard,
                         "Select * From Win32_BaseBoard",
                         {{kSubItemVendor, "Manufacturer"},
                          {kSubItemProduct, "Product"},
                          {kSubItemSerialNumber, "SerialNumber"},
                          {kSubItemVersion, "Version"}}};

void Record(Context& ctx, const std::string& item, const char* sub_item, const Value& contents,
            const char* unit = "") {
  RecordRow(ctx, std::string(kGroupWmi), item, std::string(sub_item), contents, std::string(unit));
}

// yyyymmdd... as yyyy/mm/dd; whatever is missing stays empty.
std::string ReleaseDateText(const Value& trimmed) {
  const auto* text = std::get_if<std::string>(&trimmed);
  const std::u32string chars = text ? Utf8ToCodePoints(*text) : std::u32string();
  auto part = [&](size_t from, size_t length) {
    return from < chars.size() ? CodePointsToUtf8(std::u32string_view(chars).substr(from, length))
                               : std::string();
  };
  return part(0, 4) + "/" + part(4, 2) + "/" + part(6, 2);
}

// Records a section from the last object the query returns; with no object
// its rows are still recorded, empty.
void RecordSection(Context& ctx, platform::WmiServices& services, const Section& section) {
  std::vector<Value> values(section.fields.size());
  ForEachWmiObject(services, section.wql, std::nullopt, [&](platform::WmiObject& object) {
    for (size_t i = 0; i < section.fields.size(); ++i) {
      values[i] = WmiTrimmed(ctx, object.Get(section.fields[i].property));
    }
  });
  for (size_t i = 0; i < section.fields.size(); ++i) {
    const bool is_date = std::string_view(section.fields[i].property) == "ReleaseDate";
    Record(ctx, section.item, section.fields[i].sub_item,
           is_date ? Value{ReleaseDateText(values[i])} : values[i]);
  }
}

void RecordEnclosures(Context& ctx, platform::WmiServices& services) {
  ForEachWmiObject(services, "SELECT * FROM Win32_SystemEnclosure", std::nullopt,
                   [&](platform::WmiObject& enclosure) {
                     const WmiValue types = enclosure.Get("ChassisTypes");
                     if (IsNull(types)) return;
                     for (std::int64_t code : WmiWholeArray(types)) {
                       Record(ctx, kItemSystemEnclosure, kSubItemChassisTypes,
                              ChassisTypeText(code));
                     }
                   });
}

void RecordMemoryArrays(Context& ctx, platform::WmiServices& services) {
  std::optional<double> capacity_kb;
  std::optional<double> slots;
  ForEachWmiObject(services, "Select * From Win32_PhysicalMemoryArray where use=3", std::nullopt,
                   [&](platform::WmiObject& array) {
                     if (const auto kb = WmiNumber(array.Get("MaxCapacity"))) {
                       capacity_kb = capacity_kb.value_or(0) + *kb;
                     }
                     if (const auto devices = WmiNumber(array.Get("MemoryDevices"))) {
                       slots = slots.value_or(0) + *devices;
                     }
                   });
  const std::string separator = ctx.os.locale.DecimalSeparator();
  if (capacity_kb) {
    // The total passes through a 32-bit whole number, as it always has; WMI
    // reports MaxCapacity unsigned, so 0x80000000 (2 TB) and up still fit.
    const double whole_kb = RoundHalfEven(*capacity_kb);
    if (!(whole_kb >= -2147483648.0 && whole_kb <= 4294967295.0)) throw Failure::Overflow();
    Record(ctx, kItemPhysicalMemory, kSubItemMaxCapacity, Value{whole_kb / 1024.0}, kUnitMegabytes);
  }
  Record(ctx, kItemPhysicalMemory, kSubItemSlot,
         slots ? Value{FormatShortest(*slots, separator)} : Value{std::string()});
}

void RecordModules(Context& ctx, platform::WmiServices& services) {
  int number = 1;
  ForEachWmiObject(
      services, "Select * from CIM_PhysicalMemory", std::nullopt, [&](platform::WmiObject& module) {
        const std::string type = MemoryTypeText(Code(module.Get("MemoryType")));
        const std::string form = FormFactorText(Code(module.Get("FormFactor")));
        const std::string item = kItemPhysicalMemory + std::to_string(number);
        Record(ctx, item, kSubItemDeviceLocator, WmiTrimmed(ctx, module.Get("DeviceLocator")));
        // Bytes, as text: WMI hands 64-bit numbers over that way.
        const auto bytes = WmiNumber(module.Get("Capacity"));
        if (bytes) Record(ctx, item, kSubItemCapacity, Value{*bytes / 1024 / 1024}, kUnitMegabytes);
        Record(ctx, item, kSubItemSpeed, WmiTrimmed(ctx, module.Get("Speed")));
        Record(ctx, item, kSubItemFormFactor, form);
        Record(ctx, item, kSubItemType, type);
        ++number;
      });
}

}  // namespace

std::string ChassisTypeText(std::optional<std::int64_t> code) {
  return CodeText(kChassisTypes, code, "None");
}
std::string MemoryTypeText(std::optional<std::int64_t> code) {
  return CodeText(kMemoryTypes, code, "");
}
std::string FormFactorText(std::optional<std::int64_t> code) {
  return CodeText(kFormFactors, code, "");
}

void GetWMI(Context& ctx) {
  Guarded(ctx, kGroupWmi, kModuleWmi, [&] {
    const auto services = ConnectWmi(ctx, "\\root\\cimv2");
    RecordSection(ctx, *services, kSystem);
    RecordSection(ctx, *services, kBios);
    RecordSection(ctx, *services, kBaseBoard);
    RecordEnclosures(ctx, *services);
    RecordMemoryArrays(ctx, *services);
    RecordModules(ctx, *services);
  });
}

}  // namespace norvale
