#include <gtest/gtest.h>

#include <functional>

#include "collectors/hardware/printers.h"
#include "collectors/network/adapters.h"
#include "collectors/network/shares.h"
#include "collectors/wmi/wmi_inventory.h"
#include "tests/unit/world.h"

namespace norvale {
namespace {

using testing::Rows;
using testing::World;

using fakes::FakeWmiObject;
using platform::WmiValue;
using Wholes = std::vector<std::int64_t>;

constexpr const char* kSystem = testing::kWmiSystem;
constexpr const char* kBios = testing::kWmiBios;
constexpr const char* kBoard = testing::kWmiBoard;
constexpr const char* kEnclosure = testing::kWmiEnclosure;
constexpr const char* kArrays = testing::kWmiArrays;
constexpr const char* kModules = testing::kWmiModules;

constexpr std::int64_t kGiBinKB = 1024 * 1024;

void FillMachine(fakes::FakeWmi& wmi) { World::FillWmi(wmi); }

TEST(GetWMI, RecordsEverySectionInOrder) {
  World w;
  FillMachine(w.m.wmi);
  GetWMI(w.ctx);
  EXPECT_EQ(w.Cells("WMI"), (Rows{
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
  for (const auto& row : w.m.ui.rows) EXPECT_EQ(row[1], "WMI");
  // One connection, six queries with the scripting default flags.
  EXPECT_EQ(w.m.wmi.connections, std::vector<std::string>{"\\root\\cimv2"});
  ASSERT_EQ(w.m.wmi.queries.size(), 6u);
  for (const auto& q : w.m.wmi.queries) EXPECT_FALSE(q.flags) << q.wql;
}

TEST(GetWMI, EmptyClassesStillGiveTheirRows) {
  World w;
  // Nothing answers: the single-object sections record empty rows, the
  // release date its two slashes, and the slot row is empty.
  GetWMI(w.ctx);
  EXPECT_EQ(w.Cells("WMI"), (Rows{
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
  FillMachine(w.m.wmi);
  w.m.wmi.Set(kSystem, {{{"Manufacturer", "First"}, {"Model", "A"}},
                        {{"Manufacturer", "Second"}, {"Model", "B"}}});
  w.m.wmi.answers[kBios].objects[0]["ReleaseDate"] = "202104";
  GetWMI(w.ctx);
  EXPECT_EQ(w.Cells("WMI")[0][2], "Second");
  EXPECT_EQ(w.Cells("WMI")[1][2], "B");
  EXPECT_EQ(w.Cells("WMI")[5][2], "2021/04/");
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
    FillMachine(w.m.wmi);
    std::vector<FakeWmiObject> arrays;
    for (std::int64_t kb : c.arrays_kb)
      arrays.push_back({{"MaxCapacity", kb}, {"MemoryDevices", WmiValue{}}});
    w.m.wmi.Set(kArrays, arrays);
    GetWMI(w.ctx);
    EXPECT_EQ(w.Cells("WMI")[12][2], "Laptop") << c.name;
    if (c.want_mb != nullptr) {
      ASSERT_GE(w.m.ui.rows.size(), 16u) << c.name;
      EXPECT_EQ(w.Cells("WMI")[13],
                (std::vector<std::string>{"PhysicalMemory", "MaxCapacity", c.want_mb, "MB"}))
          << c.name;
      EXPECT_EQ(w.Cells("WMI")[15][0], "PhysicalMemory1") << c.name;
    } else {
      ASSERT_EQ(w.m.ui.rows.size(), 14u) << c.name;
      EXPECT_EQ(w.Cells("WMI")[13], (std::vector<std::string>{"error", "mWMI", "6", "Overflow"}))
          << c.name;
    }
    EXPECT_EQ(w.m.wmi.Live(), 0) << c.name;
  }
}

TEST(GetWMI, ArraysWithoutNumbersLeaveOutMaxCapacity) {
  World w;
  FillMachine(w.m.wmi);
  w.m.wmi.Set(kArrays, {{{"MaxCapacity", WmiValue{}}, {"MemoryDevices", "3 "}}});
  GetWMI(w.ctx);
  EXPECT_EQ(w.Cells("WMI")[13], (std::vector<std::string>{"PhysicalMemory", "Slot", "3", ""}));
  EXPECT_EQ(w.Cells("WMI")[14][0], "PhysicalMemory1");
}

TEST(GetWMI, RefusedQueryKeepsEarlierRows) {
  World w;
  FillMachine(w.m.wmi);
  w.m.wmi.answers[kEnclosure].refused = Failure(-2147217392, "Invalid class");
  GetWMI(w.ctx);
  ASSERT_EQ(w.m.ui.rows.size(), 12u);
  EXPECT_EQ(w.Cells("WMI")[11],
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
  w.m.wmi.Set("select * from Win32_Printer",
              {{{"Name", "Office Laser"}, {"PortName", "USB001"}},
               {{"Name", "\\\\srv\\Floor2"}, {"PortName", "IP_10.0.0.40"}},
               {{"Name", "Fax"}, {"PortName", WmiValue{}}}});
  GetPrinter(w.ctx);
  EXPECT_EQ(w.Cells("Hard"), (Rows{{"Printer", "Office Laser", "USB001", ""},
                                   {"Printer", "\\\\srv\\Floor2", "IP_10.0.0.40", ""},
                                   {"Printer", "Fax", "", ""}}));
  for (const auto& row : w.m.ui.rows) EXPECT_EQ(row[1], "Hard");
  EXPECT_EQ(w.m.wmi.connections, std::vector<std::string>{"\\root\\cimv2"});
  EXPECT_FALSE(w.m.wmi.queries.at(0).flags);
}

TEST(GetShare, OneRowPerShareAdministrativeOnesIncluded) {
  World w;
  w.m.wmi.Set("select * from Win32_Share", {{{"Name", "ADMIN$"}, {"Path", "C:\\Windows"}},
                                            {{"Name", "IPC$"}, {"Path", ""}},
                                            {{"Name", "Docs"}, {"Path", "D:\\Docs"}},
                                            {{"Name", "Docs2"}, {"Path", "D:\\Docs"}}});
  GetShare(w.ctx);
  EXPECT_EQ(w.Cells("Shared"), (Rows{{"Resource", "ADMIN$", "C:\\Windows", ""},
                                     {"Resource", "IPC$", "", ""},
                                     {"Resource", "Docs", "D:\\Docs", ""},
                                     {"Resource", "Docs2", "D:\\Docs", ""}}));
  for (const auto& row : w.m.ui.rows) EXPECT_EQ(row[1], "Shared");
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
      {"adapter fetch fails", [](Context& ctx) { GetAdapter(ctx); },
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
    c.setup(w.m.wmi);
    c.collector(w.ctx);
    EXPECT_GT(w.m.wmi.handed_out, 0) << c.name;
    EXPECT_EQ(w.m.wmi.released, w.m.wmi.handed_out) << c.name;
    const bool errored = !w.m.ui.rows.empty() && w.m.ui.rows.back()[2] == "error";
    EXPECT_EQ(errored, c.error_module != nullptr) << c.name;
    if (errored) {
      EXPECT_EQ(w.m.ui.rows.back()[3], c.error_module) << c.name;
    }
  }
}

}  // namespace
}  // namespace norvale
