#include "fleet/store/inventory.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

#include "core/number_format.h"
#include "core/result_labels.h"
#include "core/utf.h"
#include "fleet/common/timestamps.h"

namespace norvale::fleet {
namespace {

// "Adapter" -> 1, "Adapter3" -> 3; 0 when `item` is not `prefix` and digits.
int NumberAfter(const std::string& item, std::string_view prefix, int bare) {
  if (item.rfind(prefix, 0) != 0) return 0;
  if (item.size() == prefix.size()) return bare;
  int n = 0;
  for (std::size_t i = prefix.size(); i < item.size(); ++i) {
    if (item[i] < '0' || item[i] > '9' || n > 100000) return 0;
    n = n * 10 + (item[i] - '0');
  }
  return n;
}

Param NonEmpty(const std::string& text) { return text.empty() ? Param() : Param(text); }
Param NonEmpty(std::string&& text) { return text.empty() ? Param() : Param(std::move(text)); }

Param Real(const std::string& text) {
  const auto figure = FigureOf(text);
  return figure ? Param(FormatShortest(*figure, ".")) : Param();
}

Param Whole(const std::string& text) {
  const auto figure = FigureOf(text);
  if (!figure || std::fabs(*figure) > 9e15) return Param();
  return FormatFixed(*figure, 0, ".");
}

Param Percent(const Param& part, const Param& whole) {
  if (!part || !whole) return Param();
  const double total = std::stod(*whole);
  if (total <= 0) return Param();
  return FormatFixed(std::stod(*part) * 100 / total, 1, ".");
}

// The device class in English, also where a Japanese PC wrote its group name.
// Most of a run's facts are devices: one look-up, no copy.
const std::string& DeviceClass(const std::string& item) {
  static const std::unordered_map<std::string, std::string> english_of = [] {
    std::unordered_map<std::string, std::string> out;
    for (const LabelPair& group : kDeviceGroups) out.emplace(group.japanese, group.english);
    return out;
  }();
  const auto found = english_of.find(item);
  return found == english_of.end() ? item : found->second;
}

// "C:\DiskDrive" -> root "C:\" and what follows it.
bool SplitDriveItem(const std::string& item, std::string& root, std::string& rest) {
  if (item.size() < 3 || item[1] != ':' || item[2] != '\\') return false;
  const char letter = item[0];
  if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return false;
  root = item.substr(0, 3);
  rest = item.substr(3);
  return true;
}

struct DriveKind {
  const char* written;
  const char* type;
};
constexpr DriveKind kDriveKinds[] = {
    {kDriveTypeFixed, "fixed"},     {kDriveTypeRemovable, "removable"}, {kDriveTypeCdrom, "cdrom"},
    {kDriveTypeRamdisk, "ramdisk"}, {kDriveTypeUnknown, "unknown"},
};

// Builds the typed rows of one run, fact by fact.
class Builder {
 public:
  Builder() : columns_(ColumnIndexes()) {}

  void Add(const Fact& f) {
    const std::string& group = f.category;
    const std::string& item = f.item;
    const std::string& sub = f.subitem;
    if (item == kItemError) {
      Row& row = New(kInvErrors, f.line);
      Set(row, kInvErrors, "part", group);
      Set(row, kInvErrors, "module", sub);
      Set(row, kInvErrors, "error_number", Whole(f.contents));
      Set(row, kInvErrors, "description", f.unit);
    } else if (group == kGroupSoft) {
      AddSoft(f);
    } else if (group == kGroupHard) {
      AddHard(f);
    } else if (group == kGroupLan) {
      AddLan(f);
    } else if (group == kGroupEnvironmental) {
      Pair(kInvEnvironment, f, item, sub);
    } else if (group == kGroupDevice) {
      // Most of a run's facts: the columns found once, not per fact.
      static const std::size_t kClass = ColumnOf(kInvDevices, "device_class"),
                               kName = ColumnOf(kInvDevices, "name"),
                               kProvider = ColumnOf(kInvDevices, "provider"),
                               kDriverDate = ColumnOf(kInvDevices, "driver_date");
      Row& row = New(kInvDevices, f.line);
      row[kClass] = DeviceClass(item);
      row[kName] = sub;
      row[kProvider] = NonEmpty(f.contents);
      row[kDriverDate] = NonEmpty(NormaliseDate(f.unit, true));
    } else if (group == kGroupShared && item == kItemShareResource) {
      Pair(kInvShares, f, sub, f.contents);
    } else if (group == kGroupWmi) {
      AddWmi(f);
    } else if (group == kGroupOther && item == kItemRegistry) {
      Pair(kInvRegistryValues, f, sub, f.contents);
    } else if (group == kGroupOther && item == kItemFileInfo) {
      Row& row = New(kInvFileVersions, f.line);
      const bool missing = f.contents == kContentsNoFile;
      Set(row, kInvFileVersions, "name", sub);
      Set(row, kInvFileVersions, "version", missing ? Param() : NonEmpty(f.contents));
      Set(row, kInvFileVersions, "file_exists", std::string(missing ? "0" : "1"));
    }
  }

  Inventory Finish() {
    if (!out_.rows[kInvHardware].empty()) {
      Row& h = out_.rows[kInvHardware][0];
      Set(h, kInvHardware, "system_disk_free_pct",
          Percent(Get(h, kInvHardware, "system_disk_free_gb"),
                  Get(h, kInvHardware, "system_disk_total_gb")));
    }
    for (Row& d : out_.rows[kInvDrives]) {
      Set(d, kInvDrives, "free_pct",
          Percent(Get(d, kInvDrives, "free_gb"), Get(d, kInvDrives, "total_gb")));
    }
    return std::move(out_);
  }

 private:
  void AddSoft(const Fact& f) {
    if (f.item == kItemApplication) {
      Row& row = New(kInvApplications, f.line);
      Set(row, kInvApplications, "name", f.subitem);
      Set(row, kInvApplications, "version", NonEmpty(f.contents));
      Set(row, kInvApplications, "publisher", NonEmpty(f.unit));
      return;
    }
    if (f.item == kItemWindows && f.subitem == kSubItemVersion) {
      Row& os = One(kInvOs);
      const std::string text = TrimSpaces(f.contents);
      Set(os, kInvOs, "version_text", NonEmpty(text));
      // "Windows 10 Pro (Build 19045) SP1": name, build number, service pack.
      const auto build_at = text.find(" (Build ");
      if (build_at == std::string::npos) {
        Set(os, kInvOs, "windows", NonEmpty(text));
        return;
      }
      Set(os, kInvOs, "windows", NonEmpty(TrimSpaces(text.substr(0, build_at))));
      const auto close = text.find(')', build_at);
      const std::size_t digits = build_at + 8;
      if (close != std::string::npos) {
        Set(os, kInvOs, "build", Whole(text.substr(digits, close - digits)));
        Set(os, kInvOs, "service_pack", NonEmpty(TrimSpaces(text.substr(close + 1))));
      }
    } else if (f.item == kItemWindows && f.subitem == kSubItemProductId) {
      Set(One(kInvOs), kInvOs, "product_id", NonEmpty(f.contents));
    } else if (f.item == kItemWindows && f.subitem == kSubItemSystemPath) {
      Set(One(kInvOs), kInvOs, "system_path", NonEmpty(f.contents));
    } else if (f.item == kItemInternetExplorer && f.subitem == kSubItemVersion) {
      Set(One(kInvOs), kInvOs, "ie_version", NonEmpty(f.contents));
    }
  }

  void AddHard(const Fact& f) {
    const std::string& item = f.item;
    const std::string& sub = f.subitem;
    std::string root, rest;
    if (item == kItemPrinter) {
      Pair(kInvPrinters, f, sub, f.contents);
    } else if (IsLabel(item, kLabelScreen) && IsLabel(sub, kLabelResolution)) {
      // "1920 x 1080 32 Bit"
      int width = 0, height = 0, bits = 0;
      if (std::sscanf(f.contents.c_str(), "%d x %d %d", &width, &height, &bits) == 3) {
        Row& h = One(kInvHardware);
        Set(h, kInvHardware, "screen_width", std::to_string(width));
        Set(h, kInvHardware, "screen_height", std::to_string(height));
        Set(h, kInvHardware, "colour_bits", std::to_string(bits));
      }
    } else if (IsLabel(item, kLabelPhysicalMemory) || IsLabel(item, kLabelPagefile) ||
               IsLabel(item, kLabelSystemHdd)) {
      const char* prefix = IsLabel(item, kLabelPhysicalMemory) ? "memory_"
                           : IsLabel(item, kLabelPagefile)     ? "pagefile_"
                                                               : "system_disk_";
      const bool disk = IsLabel(item, kLabelSystemHdd);
      const char* which = IsLabel(sub, kLabelTotal)  ? "total"
                          : IsLabel(sub, kLabelFree) ? "free"
                                                     : nullptr;
      if (!which) return;  // the used amount is total less free
      Set(One(kInvHardware), kInvHardware, std::string(prefix) + which + (disk ? "_gb" : "_mb"),
          disk ? Real(f.contents) : Whole(f.contents));
    } else if (item == kItemCpu) {
      static const std::map<std::string, std::pair<const char*, bool>> kCpu = {
          {kSubItemCpuName, {"cpu_name", false}},
          {kSubItemCpuClock, {"cpu_clock_mhz", true}},
          {kSubItemCpuId, {"cpu_vendor", false}},
          {kSubItemCpuCount, {"cpu_count", true}},
          {kSubItemCpuFamily, {"cpu_family", true}},
          {kSubItemCpuModel, {"cpu_model", true}},
          {kSubItemCpuStepping, {"cpu_stepping", true}},
      };
      const auto found = kCpu.find(sub);
      if (found == kCpu.end()) return;
      const auto& [column, number] = found->second;
      Set(One(kInvHardware), kInvHardware, column,
          number ? Whole(f.contents) : NonEmpty(f.contents));
    } else if (SplitDriveItem(item, root, rest)) {
      Row& d = Keyed(kInvDrives, item, f.line);
      Set(d, kInvDrives, "root", root);
      // A network drive's item is the root and the share with its leading
      // "\\" made single: "Z:\\server\share".
      const bool network = rest.rfind('\\', 0) == 0;
      Set(d, kInvDrives, "drive_type", network ? Param("network") : Param());
      for (const DriveKind& kind : kDriveKinds) {
        if (rest == kind.written) Set(d, kInvDrives, "drive_type", std::string(kind.type));
      }
      if (network) Set(d, kInvDrives, "share", "\\" + rest);
      const bool no_size = f.contents == kContentsNoSize;
      if (IsLabel(sub, kLabelTotal))
        Set(d, kInvDrives, "total_gb", no_size ? Param() : Real(f.contents));
      if (IsLabel(sub, kLabelFree))
        Set(d, kInvDrives, "free_gb", no_size ? Param() : Real(f.contents));
      if (IsLabel(sub, kLabelDriveType)) {
        Set(d, kInvDrives, "file_system", no_size ? Param() : NonEmpty(f.contents));
      }
    }
  }

  void AddLan(const Fact& f) {
    if (const int n = NumberAfter(f.item, kItemAdapter, 1)) {
      static const std::pair<LabelPair, const char*> kAdapter[] = {
          {kLabelAdapterName, "name"},
          {kLabelIpAddress, "ip_address"},
          {kLabelSubnet, "subnet"},
          {kLabelGateway, "gateway"},
          {kLabelDhcpServer, "dhcp_server"},
          {kLabelPrimaryWins, "primary_wins"},
          {kLabelSecondaryWins, "secondary_wins"},
          {kLabelMacAddress, "mac_address"},
      };
      Row& a = Keyed(kInvAdapters, f.item, f.line);
      Set(a, kInvAdapters, "adapter_no", std::to_string(n));
      for (const auto& [label, column] : kAdapter) {
        if (!IsLabel(f.subitem, label)) continue;
        const bool address =
            std::string_view(column) != "name" && std::string_view(column) != "mac_address";
        Set(a, kInvAdapters, column, address ? PlainAddress(f.contents) : NonEmpty(f.contents));
      }
    } else if (f.item == kItemLan) {
      static const std::pair<LabelPair, const char*> kLan[] = {
          {kLabelDomain, "domain"},
          {kLabelWorkGroup, "workgroup"},
          {kLabelUserName, "user_name"},
          {kLabelComputerName, "computer_name"},
          {kLabelHostName, "host_name"},
          {kLabelPrimaryDns, "primary_dns"},
          {kLabelSecondaryDns, "secondary_dns"},
          {kLabelServerComment, "server_comment"},
      };
      for (const auto& [label, column] : kLan) {
        if (!IsLabel(f.subitem, label)) continue;
        const bool address = std::string_view(column).find("dns") != std::string_view::npos;
        Set(One(kInvLan), kInvLan, column,
            address ? PlainAddress(f.contents) : NonEmpty(f.contents));
      }
    }
  }

  void AddWmi(const Fact& f) {
    const std::string& item = f.item;
    const std::string& sub = f.subitem;
    if (const int n = NumberAfter(item, kItemPhysicalMemory, 0)) {
      static const std::pair<const char*, const char*> kModule[] = {
          {kSubItemDeviceLocator, "device_locator"},
          {kSubItemFormFactor, "form_factor"},
          {kSubItemType, "memory_type"},
      };
      Row& m = Keyed(kInvMemoryModules, item, f.line);
      Set(m, kInvMemoryModules, "module_no", std::to_string(n));
      if (sub == kSubItemCapacity) Set(m, kInvMemoryModules, "capacity_mb", Real(f.contents));
      if (sub == kSubItemSpeed) Set(m, kInvMemoryModules, "speed_mhz", Whole(f.contents));
      for (const auto& [label, column] : kModule) {
        if (sub == label) Set(m, kInvMemoryModules, column, NonEmpty(f.contents));
      }
      return;
    }
    struct Field {
      const char* item;
      const char* sub;
      const char* column;
    };
    static const Field kFields[] = {
        {kItemSystem, kSubItemVendor, "system_vendor"},
        {kItemSystem, kSubItemModel, "system_model"},
        {kItemBios, kSubItemVendor, "bios_vendor"},
        {kItemBios, kSubItemCaption, "bios_name"},
        {kItemBios, kSubItemVersion, "bios_version"},
        {kItemBios, kSubItemSerialNo, "bios_serial"},
        {kItemBaseBoard, kSubItemVendor, "board_vendor"},
        {kItemBaseBoard, kSubItemProduct, "board_product"},
        {kItemBaseBoard, kSubItemSerialNumber, "board_serial"},
        {kItemBaseBoard, kSubItemVersion, "board_version"},
    };
    for (const Field& field : kFields) {
      if (item == field.item && sub == field.sub) {
        Set(One(kInvSystemInfo), kInvSystemInfo, field.column, NonEmpty(f.contents));
      }
    }
    if (item == kItemBios && sub == kSubItemReleaseDate) {
      Set(One(kInvSystemInfo), kInvSystemInfo, "bios_release_date",
          NonEmpty(NormaliseDate(f.contents)));
    } else if (item == kItemSystemEnclosure && sub == kSubItemChassisTypes) {
      Row& s = One(kInvSystemInfo);
      const Param before = Get(s, kInvSystemInfo, "chassis_types");
      Set(s, kInvSystemInfo, "chassis_types", before ? *before + ", " + f.contents : f.contents);
    } else if (item == kItemPhysicalMemory && sub == kSubItemMaxCapacity) {
      Set(One(kInvSystemInfo), kInvSystemInfo, "memory_capacity_mb", Real(f.contents));
    } else if (item == kItemPhysicalMemory && sub == kSubItemSlot) {
      Set(One(kInvSystemInfo), kInvSystemInfo, "memory_slots", Whole(f.contents));
    }
  }

  // A two-text entry: name and value.
  void Pair(InventoryKind kind, const Fact& f, const std::string& first,
            const std::string& second) {
    Row& row = New(kind, f.line);
    row[1] = first;
    row[2] = NonEmpty(second);
  }

  Row& New(InventoryKind kind, int line) {
    auto& rows = out_.rows[kind];
    rows.emplace_back(InventoryTables()[kind].columns.size());
    rows.back()[0] = std::to_string(line);
    return rows.back();
  }
  // The row of an entry spread over several lines (a drive, an adapter).
  Row& Keyed(InventoryKind kind, const std::string& key, int line) {
    const auto found = keyed_[kind].find(key);
    if (found != keyed_[kind].end()) return out_.rows[kind][found->second];
    keyed_[kind][key] = out_.rows[kind].size();
    return New(kind, line);
  }
  Row& One(InventoryKind kind) {
    auto& rows = out_.rows[kind];
    if (rows.empty()) rows.emplace_back(InventoryTables()[kind].columns.size());
    return rows[0];
  }
  void Set(Row& row, InventoryKind kind, std::string_view column, Param value) {
    row[columns_[kind].at(column)] = std::move(value);
  }
  static std::size_t ColumnOf(InventoryKind kind, std::string_view column) {
    return ColumnIndexes()[kind].at(column);
  }
  Param Get(const Row& row, InventoryKind kind, std::string_view column) {
    return row[columns_[kind].at(column)];
  }

  // Each table's columns by name, made once.
  using ColumnIndex = std::map<std::string_view, std::size_t>;
  static const std::vector<ColumnIndex>& ColumnIndexes() {
    static const std::vector<ColumnIndex> indexes = [] {
      std::vector<ColumnIndex> out(kInvKindCount);
      const auto& tables = InventoryTables();
      for (std::size_t t = 0; t < tables.size(); ++t) {
        for (std::size_t c = 0; c < tables[t].columns.size(); ++c) {
          out[t][tables[t].columns[c].name] = c;
        }
      }
      return out;
    }();
    return indexes;
  }

  const std::vector<ColumnIndex>& columns_;
  Inventory out_;
  std::map<std::string, std::size_t> keyed_[kInvKindCount];
};

}  // namespace

std::size_t Inventory::RowCount() const {
  std::size_t n = 0;
  for (const auto& table : rows) n += table.size();
  return n;
}

std::optional<double> FigureOf(const std::string& text) {
  std::string plain = TrimSpaces(text);
  const auto comma = plain.find(',');
  if (comma != std::string::npos && plain.find('.') == std::string::npos &&
      plain.find(',', comma + 1) == std::string::npos) {
    plain[comma] = '.';  // a PC whose decimal separator is a comma
  }
  return ParseNumber(plain);
}

std::optional<std::string> PlainAddress(const std::string& text) {
  if (text.empty() || text == kContentsNoAddress) return std::nullopt;
  std::string out;
  std::size_t start = 0;
  int parts = 0;
  for (;;) {
    const auto dot = text.find('.', start);
    const std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
    if (part.empty() || part.size() > 3 ||
        part.find_first_not_of("0123456789") != std::string::npos)
      return text;  // not a dotted IPv4 address
    out += (parts++ ? "." : "") + std::to_string(std::stoi(part));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts == 4 ? out : text;
}

Inventory DeriveInventory(const std::vector<Fact>& facts) {
  Builder builder;
  for (const Fact& f : facts) builder.Add(f);
  Inventory inventory = builder.Finish();
  inventory.search_text = SearchTextOf(facts);
  inventory.fact_groups = FactGroupsOf(facts);
  return inventory;
}

std::string SearchTextOf(const std::vector<Fact>& facts) {
  std::string text;
  const Fact* previous = nullptr;
  for (const Fact& f : facts) {
    // Labels mostly repeat those of the line before: each run of them once.
    if (!previous || f.item != previous->item) text.append(f.item).push_back('\n');
    if (!previous || f.subitem != previous->subitem) text.append(f.subitem).push_back('\n');
    text.append(f.contents).push_back('\n');
    previous = &f;
  }
  return text;
}

}  // namespace norvale::fleet
