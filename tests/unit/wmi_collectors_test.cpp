#include <gtest/gtest.h>

#include <functional>

#include "app/menu_commands.h"
#include "collectors/hardware/printers.h"
#include "collectors/network/adapters.h"
#include "collectors/network/shares.h"
#include "collectors/wmi/wmi_inventory.h"
#include "core/full_run.h"
#include "tests/unit/network_world.h"

namespace norvale {
namespace {

using fakes::FakeWmiObject;
using platform::WmiValue;
using Wholes = std::vector<std::int64_t>;

constexpr const char* kSystem = "Select * From Win32_ComputerSystem";
constexpr const char* kBios = "Select * From Win32_BIOS";
constexpr const char* kBoard = "Select * From Win32_BaseBoard";
constexpr const char* kEnclosure = "SELECT * FROM Win32_SystemEnclosure";
constexpr const char* kArrays = "Select * From Win32_PhysicalMemoryArray where use=3";
constexpr const char* kModules = "Select * from CIM_PhysicalMemory";

constexpr std::int64_t kGiBinKB = 1024 * 1024;

FakeWmiObject Module(const char* slot, WmiValue capacity, std::int64_t type, std::int64_t form) {
  return {{"DeviceLocator", slot},
          {"Capacity", std::move(capacity)},
          {"Speed", std::int64_t{1600}},
          {"FormFactor", form},
          {"MemoryType", type}};
}

// A machine with one of everything, the way Windows answers.
void FillMachine(fakes::FakeWmi& wmi) {
  wmi.Set(kSystem, {{{"Manufacturer", "  Contoso Ltd.  "}, {"Model", "Deskmaster 5 "}}});
  wmi.Set(kBios, {{{"Manufacturer", "Contoso"},
                   {"Name", " BIOS Date: 04/01/21 "},
                   {"Version", "CONTOS - 1072009"},
                   {"ReleaseDate", "20210401000000.000000+000"},
                   {"SerialNumber", " SN-0001 "}}});
  wmi.Set(kBoard, {{{"Manufacturer", "Contoso"},
                    {"Product", "B450M"},
                    {"SerialNumber", WmiValue{}},
                    {"Version", "1.0"}}});
  wmi.Set(kEnclosure, {{{"ChassisTypes", Wholes{3, 9}}}});
  wmi.Set(kArrays, {{{"MaxCapacity", 16 * kGiBinKB}, {"MemoryDevices", std::int64_t{2}}},
                    {{"MaxCapacity", 16 * kGiBinKB}, {"MemoryDevices", std::int64_t{2}}}});
  wmi.Set(kModules, {Module("DIMM 0", "8589934592", 24, 8), Module("DIMM 1", "1610612736", 20, 12),
                     Module("DIMM 2", WmiValue{}, 17, 8)});
}

TEST(GetWMI, RecordsEverySectionInOrder) {
  World w;
  FillMachine(w.machine.wmi);
  GetWMI(w.ctx);
  EXPECT_EQ(w.Cells(), (Cells{
                           {"System", "Vendor", "Contoso Ltd.", ""},
                           {"System", "Model", "Deskmaster 5", ""},
                           {"BIOS", "Vendor", "Contoso", ""},
                           {"BIOS", "Caption", "BIOS Date: 04/01/21", ""},
                           {"BIOS", "Version", "CONTOS - 1072009", ""},
                           {"BIOS", "ReleaseDate", "2021/04/01", ""},
                           {"BIOS", "SerialNo", "SN-0001", ""},
                           {"BaseBoard", "Vendor", "Contoso", ""},
                           {"BaseBoard", "Product", "B450M", ""},
                           {"BaseBoard", "SerialNumber", "", ""},
                           {"BaseBoard", "Version", "1.0", ""},
                           {"SystemEnclosure", "ChassisTypes", "Desktop", ""},
                           {"SystemEnclosure", "ChassisTypes", "Laptop", ""},
                           {"PhysicalMemory", "MaxCapacity", "32768", "MB"},
                           {"PhysicalMemory", "Slot", "4", ""},
                           {"PhysicalMemory1", "DeviceLocator", "DIMM 0", ""},
                           {"PhysicalMemory1", "Capacity", "8192", "MB"},
                           {"PhysicalMemory1", "Speed", "1600", ""},
                           {"PhysicalMemory1", "Formfacturer", "DIMM", ""},
                           {"PhysicalMemory1", "Type", "", ""},
                           {"PhysicalMemory2", "DeviceLocator", "DIMM 1", ""},
                           {"PhysicalMemory2", "Capacity", "1536", "MB"},
                           {"PhysicalMemory2", "Speed", "1600", ""},
                           {"PhysicalMemory2", "Formfacturer", "SODIMM", ""},
                           {"PhysicalMemory2", "Type", "DDR", ""},
                           {"PhysicalMemory3", "DeviceLocator", "DIMM 2", ""},
                           {"PhysicalMemory3", "Speed", "1600", ""},
                           {"PhysicalMemory3", "Formfacturer", "DIMM", ""},
                           {"PhysicalMemory3", "Type", "SDRAM", ""},
                       }));
  for (const auto& row : w.Rows()) EXPECT_EQ(row[1], "WMI");
  // One connection, six queries with the scripting default flags.
  EXPECT_EQ(w.machine.wmi.connections, std::vector<std::string>{"\\root\\cimv2"});
  ASSERT_EQ(w.machine.wmi.queries.size(), 6u);
  for (const auto& q : w.machine.wmi.queries) EXPECT_FALSE(q.flags) << q.wql;
}

TEST(GetWMI, EmptyClassesStillGiveTheirRows) {
  World w;
  // Nothing answers: the single-object sections record empty rows, the
  // release date its two slashes, and the slot row is empty.
  GetWMI(w.ctx);
  EXPECT_EQ(w.Cells(), (Cells{
                           {"System", "Vendor", "", ""},
                           {"System", "Model", "", ""},
                           {"BIOS", "Vendor", "", ""},
                           {"BIOS", "Caption", "", ""},
                           {"BIOS", "Version", "", ""},
                           {"BIOS", "ReleaseDate", "//", ""},
                           {"BIOS", "SerialNo", "", ""},
                           {"BaseBoard", "Vendor", "", ""},
                           {"BaseBoard", "Product", "", ""},
                           {"BaseBoard", "SerialNumber", "", ""},
                           {"BaseBoard", "Version", "", ""},
                           {"PhysicalMemory", "Slot", "", ""},
                       }));
}

TEST(GetWMI, LastObjectOfASectionWinsAndShortDatesKeepTheirSlashes) {
  World w;
  FillMachine(w.machine.wmi);
  w.machine.wmi.Set(kSystem, {{{"Manufacturer", "First"}, {"Model", "A"}},
                              {{"Manufacturer", "Second"}, {"Model", "B"}}});
  w.machine.wmi.answers[kBios].objects[0]["ReleaseDate"] = "202104";
  GetWMI(w.ctx);
  EXPECT_EQ(w.Cells()[0][2], "Second");
  EXPECT_EQ(w.Cells()[1][2], "B");
  EXPECT_EQ(w.Cells()[5][2], "2021/04/");
}

TEST(GetWMI, CapacityTotalsUpToUnsigned32BitsKeepTheMemoryRows) {
  struct Case {
    const char* name;
    std::vector<std::int64_t> arrays_kb;
    const char* want_mb;  // nullptr: the section ends with the overflow row
  } cases[] = {
      {"one 2 TB board", {0x80000000LL}, "2097152"},
      {"two 1 TB arrays", {1024 * kGiBinKB, 1024 * kGiBinKB}, "2097152"},
      {"largest unsigned 32-bit total", {0xFFFFFFFFLL}, "4194303.99902344"},
      {"one past it", {0xFFFFFFFFLL, 1}, nullptr},
      {"two 2 TB boards", {0x80000000LL, 0x80000000LL}, nullptr},
  };
  for (const Case& c : cases) {
    World w;
    FillMachine(w.machine.wmi);
    std::vector<FakeWmiObject> arrays;
    for (std::int64_t kb : c.arrays_kb)
      arrays.push_back({{"MaxCapacity", kb}, {"MemoryDevices", WmiValue{}}});
    w.machine.wmi.Set(kArrays, arrays);
    GetWMI(w.ctx);
    EXPECT_EQ(w.Cells()[12][2], "Laptop") << c.name;
    if (c.want_mb != nullptr) {
      ASSERT_GE(w.Rows().size(), 16u) << c.name;
      EXPECT_EQ(w.Cells()[13],
                (std::vector<std::string>{"PhysicalMemory", "MaxCapacity", c.want_mb, "MB"}))
          << c.name;
      EXPECT_EQ(w.Cells()[15][0], "PhysicalMemory1") << c.name;
    } else {
      ASSERT_EQ(w.Rows().size(), 14u) << c.name;
      EXPECT_EQ(w.Cells()[13], (std::vector<std::string>{"error", "mWMI", "6", "Overflow"}))
          << c.name;
    }
    EXPECT_EQ(w.machine.wmi.Live(), 0) << c.name;
  }
}

TEST(GetWMI, ArraysWithoutNumbersLeaveOutMaxCapacity) {
  World w;
  FillMachine(w.machine.wmi);
  w.machine.wmi.Set(kArrays, {{{"MaxCapacity", WmiValue{}}, {"MemoryDevices", "3 "}}});
  GetWMI(w.ctx);
  EXPECT_EQ(w.Cells()[13], (std::vector<std::string>{"PhysicalMemory", "Slot", "3", ""}));
  EXPECT_EQ(w.Cells()[14][0], "PhysicalMemory1");
}

TEST(GetWMI, RefusedQueryKeepsEarlierRows) {
  World w;
  FillMachine(w.machine.wmi);
  w.machine.wmi.answers[kEnclosure].refused = Failure(-2147217392, "Invalid class");
  GetWMI(w.ctx);
  ASSERT_EQ(w.Rows().size(), 12u);
  EXPECT_EQ(w.Cells()[11],
            (std::vector<std::string>{"error", "mWMI", "-2147217392", "Invalid class"}));
}

TEST(CodeTables, TextsOfCodes) {
  struct Case {
    std::function<std::string(std::optional<std::int64_t>)> table;
    std::optional<std::int64_t> code;
    const char* want;
  } cases[] = {
      {ChassisTypeText, 0, "None"},
      {ChassisTypeText, 1, "Other"},
      {ChassisTypeText, 3, "Desktop"},
      {ChassisTypeText, 9, "Laptop"},
      {ChassisTypeText, 24, "Sealed-Case PC"},
      {ChassisTypeText, 25, "None"},
      {ChassisTypeText, 30, "None"},
      {ChassisTypeText, -1, "None"},
      {MemoryTypeText, 0, "Unknown"},
      {MemoryTypeText, 20, "DDR"},
      {MemoryTypeText, 21, ""},
      {MemoryTypeText, 24, ""},
      {MemoryTypeText, std::nullopt, ""},
      {FormFactorText, 0, "Unknown"},
      {FormFactorText, 8, "DIMM"},
      {FormFactorText, 12, "SODIMM"},
      {FormFactorText, 23, "LGA"},
      {FormFactorText, 24, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.table(c.code), c.want) << (c.code ? *c.code : -999);
  }
}

TEST(GetPrinter, OneRowPerPrinterInQueryOrder) {
  World w;
  w.machine.wmi.Set("select * from Win32_Printer",
                    {{{"Name", "Office Laser"}, {"PortName", "USB001"}},
                     {{"Name", "\\\\srv\\Floor2"}, {"PortName", "IP_10.0.0.40"}},
                     {{"Name", "Fax"}, {"PortName", WmiValue{}}}});
  GetPrinter(w.ctx);
  EXPECT_EQ(w.Cells(), (Cells{{"Printer", "Office Laser", "USB001", ""},
                              {"Printer", "\\\\srv\\Floor2", "IP_10.0.0.40", ""},
                              {"Printer", "Fax", "", ""}}));
  for (const auto& row : w.Rows()) EXPECT_EQ(row[1], "Hard");
  EXPECT_EQ(w.machine.wmi.connections, std::vector<std::string>{"\\root\\cimv2"});
  EXPECT_FALSE(w.machine.wmi.queries.at(0).flags);
}

TEST(GetShare, OneRowPerShareAdministrativeOnesIncluded) {
  World w;
  w.machine.wmi.Set("select * from Win32_Share", {{{"Name", "ADMIN$"}, {"Path", "C:\\Windows"}},
                                                  {{"Name", "IPC$"}, {"Path", ""}},
                                                  {{"Name", "Docs"}, {"Path", "D:\\Docs"}},
                                                  {{"Name", "Docs2"}, {"Path", "D:\\Docs"}}});
  GetShare(w.ctx);
  EXPECT_EQ(w.Cells(), (Cells{{"Resource", "ADMIN$", "C:\\Windows", ""},
                              {"Resource", "IPC$", "", ""},
                              {"Resource", "Docs", "D:\\Docs", ""},
                              {"Resource", "Docs2", "D:\\Docs", ""}}));
  for (const auto& row : w.Rows()) EXPECT_EQ(row[1], "Shared");
}

TEST(Showall, NetworkAndWmiCollectorsRunInTheirPlaces) {
  World w;
  FillMachine(w.machine.wmi);
  w.machine.wmi.Set("Select * from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE",
                    {{{"DNSHostName", "pc01"},
                      {"DNSServerSearchOrder", std::vector<std::string>{"10.0.0.1"}},
                      {"Caption", "LAN"},
                      {"MACAddress", "00:11:22:33:44:55"},
                      {"IpAddress", WmiValue{}},
                      {"IPSubnet", WmiValue{}},
                      {"DefaultIPGateway", WmiValue{}},
                      {"DhcpServer", WmiValue{}},
                      {"WINSPrimaryServer", WmiValue{}},
                      {"WINSSecondaryServer", WmiValue{}}}});
  w.machine.wmi.Set("select * from Win32_Printer", {{{"Name", "P"}, {"PortName", "USB001"}}});
  w.machine.wmi.Set("select * from Win32_Share", {{{"Name", "C$"}, {"Path", "C:\\"}}});
  showall(w.ctx);

  // The blocks of these collectors, in the order they first appear; each
  // block must be contiguous. Other collectors' rows are passed over.
  std::vector<std::string> blocks;
  for (const auto& row : w.Rows()) {
    std::string block;
    if (row[1] == "LAN" && row[2].rfind("Adapter", 0) == 0) block = "adapters";
    if (row[1] == "LAN" && row[2] == "LAN") block = "lan";
    if (row[1] == "Hard" && row[2] == "Printer") block = "printers";
    if (row[1] == "Shared") block = "shares";
    if (row[1] == "WMI") block = "wmi";
    if (block.empty()) continue;
    if (blocks.empty() || blocks.back() != block) blocks.push_back(block);
  }
  EXPECT_EQ(blocks, (std::vector<std::string>{"adapters", "lan", "printers", "shares", "wmi"}));
  // The LAN identity reads what the adapters left behind in this very run.
  EXPECT_EQ(w.ctx.adapter.LanPrimaryDns, "010.000.000.001");
  EXPECT_EQ(w.machine.wmi.Live(), 0);
}

TEST(ViewCommands, LanRunsAdaptersThenIdentityAndWmiRunsAlone) {
  World w;
  FillMachine(w.machine.wmi);
  w.machine.wmi.Set("select * from Win32_Printer", {{{"Name", "P"}, {"PortName", "USB001"}}});
  auto groups_after = [&](platform::MenuItem item) {
    for (const auto& category : ViewCategories()) {
      if (category.item == item) RunViewCategory(w.ctx, item, category.collectors);
    }
    std::vector<std::string> items;
    for (const auto& row : w.Rows()) {
      if (items.empty() || items.back() != row[1] + "/" + row[2])
        items.push_back(row[1] + "/" + row[2]);
    }
    return items;
  };
  // No adapter answers: the LAN identity rows alone, never printers.
  EXPECT_EQ(groups_after(platform::MenuItem::kShowLan), std::vector<std::string>{"LAN/LAN"});
  EXPECT_EQ(w.Rows().size(), 8u);
  const auto wmi = groups_after(platform::MenuItem::kShowWmi);
  EXPECT_EQ(wmi.front(), "WMI/System");
  EXPECT_EQ(wmi.back(), "WMI/PhysicalMemory3");
  EXPECT_EQ(w.machine.wmi.queries.size(), 7u);  // one adapter query, six WMI queries
}

// Every WMI object a collector takes is released, whichever way it ends.
TEST(WmiCollectors, ReleaseEveryObjectOnEveryPath) {
  using Setup = std::function<void(fakes::FakeWmi&)>;
  using Collector = void (*)(Context&);
  struct Case {
    const char* name;
    Collector collector;
    Setup setup;
    const char* error_module;  // nullptr when no error row is expected
  } cases[] = {
      {"WMI complete", GetWMI, FillMachine, nullptr},
      {"WMI fails while fetching", GetWMI,
       [](fakes::FakeWmi& wmi) {
         FillMachine(wmi);
         wmi.answers[kModules].fail_after = 1;
       },
       "mWMI"},
      {"WMI property missing", GetWMI,
       [](fakes::FakeWmi& wmi) {
         FillMachine(wmi);
         wmi.answers[kBoard].objects[0].erase("Product");
       },
       "mWMI"},
      {"printer without port", GetPrinter,
       [](fakes::FakeWmi& wmi) {
         wmi.Set("select * from Win32_Printer", {{{"Name", "P"}}});
       },
       "mPrinter"},
      {"share query refused", GetShare,
       [](fakes::FakeWmi& wmi) {
         wmi.answers["select * from Win32_Share"].refused = Failure(-2147217405, "Access denied");
       },
       "mShare"},
      {"adapter fetch fails", GetAdapter,
       [](fakes::FakeWmi& wmi) {
         auto& answer =
             wmi.answers["Select * from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE"];
         answer.objects = {{}, {}};
         answer.fail_after = 0;
       },
       "mAdapter"},
  };
  for (const auto& c : cases) {
    World w;
    c.setup(w.machine.wmi);
    c.collector(w.ctx);
    EXPECT_GT(w.machine.wmi.handed_out, 0) << c.name;
    EXPECT_EQ(w.machine.wmi.released, w.machine.wmi.handed_out) << c.name;
    const bool errored = !w.Rows().empty() && w.Rows().back()[2] == "error";
    EXPECT_EQ(errored, c.error_module != nullptr) << c.name;
    if (errored) {
      EXPECT_EQ(w.Rows().back()[3], c.error_module) << c.name;
    }
  }
}

}  // namespace
}  // namespace norvale
