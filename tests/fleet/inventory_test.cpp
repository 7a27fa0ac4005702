// The typed inventory derived from a run's facts: the same rows from English
// and Japanese files, numbers and dates in one form.
#include "fleet/store/inventory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "fleet/load/result_file.h"
#include "tests/fleet/fleet_world.h"

namespace norvale::fleet::testing {
namespace {

Inventory InventoryOf(const PcSpec& pc) {
  const ParsedResultFile parsed = ParseResultFile(ResultBytes(pc));
  if (!parsed.file) throw std::runtime_error(parsed.rejection.reason);
  return DeriveInventory(parsed.file->facts);
}

// The value of `column` in the `n`-th row of `kind`; "<null>" for null,
// "<none>" when there is no such row.
std::string Cell(const Inventory& inv, InventoryKind kind, const std::string& column,
                 std::size_t n = 0) {
  const InventoryTable& table = InventoryTables()[kind];
  if (n >= inv.rows[kind].size()) return "<none>";
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    if (column == table.columns[c].name) return inv.rows[kind][n][c].value_or("<null>");
  }
  throw std::runtime_error("no column " + column + " in " + table.name);
}

PcSpec FullPc(bool japanese) {
  PcSpec pc;
  pc.japanese = japanese;
  pc.every_kind = true;
  pc.apps = {{"Agent", "5.0", "Acme"}, {"Office", "16.0", ""}};
  pc.user = japanese ? "山田" : "taro";
  return pc;
}

TEST(Inventory, EnglishAndJapaneseFilesGiveTheSameRows) {
  const Inventory en = InventoryOf(FullPc(false));
  PcSpec ja_pc = FullPc(true);
  ja_pc.user = "taro";
  const Inventory ja = InventoryOf(ja_pc);
  for (std::size_t kind = 0; kind < kInvKindCount; ++kind) {
    EXPECT_FALSE(en.rows[kind].empty()) << InventoryTables()[kind].name;
    EXPECT_EQ(en.rows[kind], ja.rows[kind]) << InventoryTables()[kind].name;
  }
}

TEST(Inventory, EveryKindInTypedColumns) {
  for (const bool japanese : {false, true}) {
    PcSpec pc = FullPc(japanese);
    pc.decimal_separator = japanese ? "." : ",";  // a PC with a comma as its separator
    const Inventory inv = InventoryOf(pc);
    struct Case {
      InventoryKind kind;
      const char* column;
      std::size_t row;
      std::string want;
    } cases[] = {
        {kInvOs, "windows", 0, "Windows 10 Pro"},
        {kInvOs, "build", 0, "19045"},
        {kInvOs, "service_pack", 0, "<null>"},
        {kInvOs, "ie_version", 0, "11.0.19041.1"},
        {kInvHardware, "memory_total_mb", 0, "8077"},
        {kInvHardware, "memory_free_mb", 0, "3021"},
        {kInvHardware, "pagefile_total_mb", 0, "9000"},
        {kInvHardware, "system_disk_total_gb", 0, "237.9"},
        {kInvHardware, "system_disk_free_gb", 0, "100.2"},
        {kInvHardware, "system_disk_free_pct", 0, "42.1"},
        {kInvHardware, "cpu_count", 0, "6"},
        {kInvHardware, "cpu_clock_mhz", 0, "3000"},
        {kInvHardware, "screen_width", 0, "1920"},
        {kInvHardware, "colour_bits", 0, "32"},
        {kInvDrives, "root", 0, "C:\\"},
        {kInvDrives, "drive_type", 0, "fixed"},
        {kInvDrives, "total_gb", 0, "<null>"},  // only its free space was written
        {kInvDrives, "total_gb", 1, "931.5"},
        {kInvDrives, "free_gb", 1, "93.2"},
        {kInvDrives, "free_pct", 1, "10.0"},
        {kInvDrives, "file_system", 1, "NTFS"},
        {kInvDrives, "drive_type", 2, "cdrom"},
        {kInvDrives, "total_gb", 2, "<null>"},
        {kInvDrives, "file_system", 2, "<null>"},
        {kInvDrives, "drive_type", 3, "network"},
        {kInvDrives, "share", 3, "\\\\files\\docs"},
        {kInvDrives, "total_gb", 3, "500"},
        {kInvDrives, "root", 4, "<none>"},
        {kInvAdapters, "adapter_no", 0, "1"},
        {kInvAdapters, "ip_address", 0, "192.168.1.10"},
        {kInvAdapters, "mac_address", 0, "00:11:22:33:44:55"},
        {kInvAdapters, "name", 0, "Intel(R) Ethernet"},
        {kInvAdapters, "adapter_no", 1, "2"},
        {kInvAdapters, "ip_address", 1, "10.0.0.9"},
        {kInvApplications, "name", 1, "Office"},
        {kInvApplications, "publisher", 1, "<null>"},
        {kInvDevices, "device_class", 0, "Net"},
        {kInvDevices, "driver_date", 0, "2006-06-21"},
        {kInvDevices, "device_class", 1, "DiskDrive"},
        {kInvDevices, "driver_date", 1, "2021-12-31"},
        {kInvPrinters, "port", 0, "USB001"},
        {kInvShares, "path", 0, "C:\\Windows"},
        {kInvEnvironment, "value", 1, "-Da=b"},
        {kInvRegistryValues, "value", 0, "8080"},
        {kInvFileVersions, "version", 0, "5.0.1.2"},
        {kInvFileVersions, "file_exists", 1, "0"},
        {kInvFileVersions, "version", 1, "<null>"},
        {kInvSystemInfo, "system_model", 0, "OptiPlex 7070"},
        {kInvSystemInfo, "bios_release_date", 0, "2019-05-27"},
        {kInvSystemInfo, "chassis_types", 0, "Desktop, Tower"},
        {kInvSystemInfo, "memory_capacity_mb", 0, "65536"},
        {kInvSystemInfo, "memory_slots", 0, "4"},
        {kInvMemoryModules, "capacity_mb", 0, "8192"},
        {kInvMemoryModules, "speed_mhz", 0, "2666"},
        {kInvMemoryModules, "memory_type", 0, "DDR"},
        {kInvLan, "workgroup", 0, "WORKGROUP"},
        {kInvLan, "domain", 0, "<null>"},
        {kInvLan, "user_name", 0, japanese ? "山田" : "taro"},
        {kInvErrors, "part", 0, "WMI"},
        {kInvErrors, "module", 0, "mWMI"},
        {kInvErrors, "error_number", 0, "-2147217392"},
        {kInvErrors, "description", 0, "Invalid class"},
    };
    for (const Case& c : cases) {
      EXPECT_EQ(Cell(inv, c.kind, c.column, c.row), c.want)
          << InventoryTables()[c.kind].name << "." << c.column << "[" << c.row << "]"
          << (japanese ? " (Japanese)" : "");
    }
  }
}

TEST(Inventory, ErrorRowsAndOddFiguresNeverStopTheRest) {
  PcSpec pc;
  pc.adapter_error = true;
  pc.memory_mb = "lots";
  pc.disk_gb = "0";
  pc.windows = "Windows 7 Professional (Build 7601) SP1";
  const Inventory inv = InventoryOf(pc);
  EXPECT_EQ(Cell(inv, kInvErrors, "module"), "mAdapter");
  EXPECT_EQ(Cell(inv, kInvErrors, "part"), "LAN");
  EXPECT_EQ(Cell(inv, kInvAdapters, "ip_address"), "<none>");
  EXPECT_EQ(Cell(inv, kInvHardware, "memory_total_mb"), "<null>");
  EXPECT_EQ(Cell(inv, kInvHardware, "system_disk_free_pct"), "<null>");  // no total to divide by
  EXPECT_EQ(Cell(inv, kInvOs, "windows"), "Windows 7 Professional");
  EXPECT_EQ(Cell(inv, kInvOs, "build"), "7601");
  EXPECT_EQ(Cell(inv, kInvOs, "service_pack"), "SP1");
  EXPECT_EQ(Cell(inv, kInvLan, "user_name"), "taro");
}

TEST(Inventory, AddressesLoseOnlyThePadding) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"192.168.001.010", "192.168.1.10"},
      {"010.000.000.009", "10.0.0.9"},
      {"-", std::nullopt},
      {"", std::nullopt},
      {"fe80::1", "fe80::1"},
      {"1.2.3", "1.2.3"},
      {"1.2.3.4.5", "1.2.3.4.5"},
      {"1..3.4", "1..3.4"},
      {"0001.2.3.4", "0001.2.3.4"},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(PlainAddress(text), want) << text;
}

TEST(Inventory, SearchTextHoldsEachTextOfTheRunOnce) {
  const std::vector<Fact> facts = {
      {1, "Soft", "Application", "Firefox", "27.0", "Mozilla"},
      {2, "Soft", "Application", "Agent", "27.0", ""},
      {3, "LAN", "LAN", "UserName", "山田", ""},
      {4, "LAN", "LAN", "Comment", "", ""},
  };
  // Neither the group nor the unit: search does not look at them. A label
  // repeated from the line before is there once.
  EXPECT_EQ(SearchTextOf(facts),
            "Application\nFirefox\n27.0\nAgent\n27.0\nLAN\nUserName\n山田\nComment\n\n");
  EXPECT_EQ(SearchTextOf({}), "");
  // Every text the search compares is in it, for a whole result file.
  const ParsedResultFile parsed = ParseResultFile(ResultBytes(FullPc(true)));
  ASSERT_TRUE(parsed.file);
  const std::string text = "\n" + SearchTextOf(parsed.file->facts);
  for (const Fact& f : parsed.file->facts) {
    for (const std::string& part : {f.item, f.subitem, f.contents}) {
      if (!part.empty()) {
        EXPECT_NE(text.find("\n" + part + "\n"), std::string::npos) << part;
      }
    }
  }
}

// Which fact groups of two runs have equal digests: exactly those the change
// list may skip, so a wrong equality would hide a change.
TEST(Inventory, FactGroupDigestsDifferWhereTheChangeListWouldFindSomething) {
  // (category, item, sub-item, contents, unit) a line each, from line 1.
  using Lines = std::vector<std::array<std::string, 5>>;
  auto groups = [](const Lines& lines) {
    std::vector<Fact> facts;
    for (const auto& l : lines) {
      facts.push_back(Fact{static_cast<int>(facts.size()) + 1, l[0], l[1], l[2], l[3], l[4]});
    }
    // "category/changing: digest" per group.
    std::vector<std::string> out;
    for (const FactGroup& g : FactGroupsOf(facts)) {
      out.push_back(g.category + "/" + (g.changing ? "1" : "0") + ": " + g.digest);
    }
    return out;
  };
  const std::array<std::string, 5> windows{"Soft", "Windows", "Version", "Windows 10", ""};
  const std::array<std::string, 5> agent{"Soft", "Application", "Agent", "4.2", "Acme"};
  const std::array<std::string, 5> free{"Hard", "SystemHDD", "Free", "100.2", "GB"};
  const std::array<std::string, 5> total{"Hard", "SystemHDD", "Total", "237.9", "GB"};
  struct Case {
    const char* name;
    Lines before, after;
    std::vector<bool> same;  // whether `after` has each group of `before` as it is
  } cases[] = {
      // Lines numbered anew after a line added to another category.
      {"lines shifted by another category",
       {windows, agent, free, total},
       {{"Create", "DateTime", "2026/12/01", "9:00:00", ""}, windows, agent, free, total},
       {true, true, true}},
      // The change list would find nothing; the digest need not be equal.
      {"the same lines in another order", {windows, agent}, {agent, windows}, {false}},
      {"one label's values swapped",
       {{"Soft", "Application", "Tool", "1.0", ""}, {"Soft", "Application", "Tool", "2.0", ""}},
       {{"Soft", "Application", "Tool", "2.0", ""}, {"Soft", "Application", "Tool", "1.0", ""}},
       {false}},
      {"a fact moved to another item",
       {{"Device", "A", "Name", "Mouse", ""}},
       {{"Device", "B", "Name", "Mouse", ""}},
       {false}},
      {"texts split at another place",
       {{"Soft", "AB", "C", "x", ""}},
       {{"Soft", "A", "BC", "x", ""}},
       {false}},
      {"contents and unit split at another place",
       {{"Soft", "A", "B", "4.2", "Acme"}},
       {{"Soft", "A", "B", "4.2Acme", ""}},
       {false}},
      {"an empty value added",
       {windows},
       {windows, {"Soft", "Windows", "Comment", "", ""}},
       {false}},
      {"a changing figure alone",
       {windows, free, total},
       {windows, {"Hard", "SystemHDD", "Free", "90.1", "GB"}, total},
       {true, false, true}},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> before = groups(c.before);
    const std::vector<std::string> after = groups(c.after);
    ASSERT_EQ(before.size(), c.same.size()) << c.name;
    for (std::size_t g = 0; g < before.size(); ++g) {
      const bool same = std::find(after.begin(), after.end(), before[g]) != after.end();
      EXPECT_EQ(same, c.same[g]) << c.name << ": " << before[g];
    }
  }
  // The changing figures and the rest of one category are apart; the header
  // is a changing figure.
  EXPECT_EQ(FactGroupsOf({{1, "Create", "DateTime", "2026/12/01", "9:00:00", ""},
                          {2, "Hard", "SystemHDD", "空容量", "1", "GB"},
                          {3, "Hard", "SystemHDD", "全容量", "2", "GB"},
                          {4, "Hard", "CPU", "Name", "x", ""}})
                .size(),
            3u);
}

}  // namespace
}  // namespace norvale::fleet::testing
