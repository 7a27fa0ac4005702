// The order of the result file and what each View item runs, both read from
// the one collector table.
#include "app/full_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/collector_table.h"
#include "app/main_window_logic.h"
#include "core/version.h"
#include "tests/unit/world.h"

namespace norvale {
namespace {

using platform::MenuItem;
using testing::World;

// The order the result file has always had.
const std::vector<std::string> kFileOrder = {
    "Operating system",
    "Hardware",
    "Network",
    "Applications",
    "Printers",
    "Drives",
    "Environment",
    "Devices",
    "Shares",
    "WMI",
    "Administrator items",
};

// Gives every collector something to report.
void Furnish(fakes::FakeMachine& m) {
  m.registry.ImportFile(NORVALE_FIXTURES "/software.reg");
  m.registry.ImportFile(NORVALE_FIXTURES "/devices/edge_cases.reg");
  m.system.environment = {"A=1", "B=2"};
  m.WriteSettings("[REGISTRY]\r\n01=Asset;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag\r\n");
  World::FillWmi(m.wmi);
  m.wmi.Set("Select * from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE",
            {{{"DNSHostName", "pc01"},
              {"DNSServerSearchOrder", std::vector<std::string>{"10.0.0.1"}},
              {"Caption", "LAN"},
              {"MACAddress", "00:11:22:33:44:55"},
              {"IpAddress", platform::WmiValue{}},
              {"IPSubnet", platform::WmiValue{}},
              {"DefaultIPGateway", platform::WmiValue{}},
              {"DhcpServer", platform::WmiValue{}},
              {"WINSPrimaryServer", platform::WmiValue{}},
              {"WINSSecondaryServer", platform::WmiValue{}}}});
  m.wmi.Set("select * from Win32_Printer", {{{"Name", "P"}, {"PortName", "USB001"}}});
  m.wmi.Set("select * from Win32_Share", {{{"Name", "C$"}, {"Path", "C:\\"}}});
}

// The category a row belongs to, told by its Group and Item alone.
std::string CategoryOf(const std::vector<std::string>& row) {
  const std::string& group = row[1];
  const std::string& item = row[2];
  if (group == "Create") return "header";
  if (group == "Soft") return item == "Application" ? "Applications" : "Operating system";
  if (group == "LAN") return "Network";
  if (group == "Hard") {
    if (item == "Printer") return "Printers";
    for (const char* summary : {"Screen", "PhysicalMemory", "Pagefile", "SystemHDD", "CPU"}) {
      if (item == summary) return "Hardware";
    }
    return "Drives";
  }
  if (group == "Environmental") return "Environment";
  if (group == "Device") return "Devices";
  if (group == "Shared") return "Shares";
  if (group == "WMI") return "WMI";
  if (group == "OTHER") return "Administrator items";
  return "unknown group " + group;
}

// The categories of the rows shown, in order, repeats folded.
std::vector<std::string> Blocks(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::string> blocks;
  for (const auto& row : rows) {
    EXPECT_NE(row[2], "error") << row[1] << " " << row[3];
    const std::string category = CategoryOf(row);
    if (blocks.empty() || blocks.back() != category) blocks.push_back(category);
  }
  return blocks;
}

TEST(CollectorTable, ListsEveryCategoryOnceInFileOrder) {
  std::vector<std::string> categories;
  std::vector<MenuItem> view_items;
  for (const CollectorEntry& entry : CollectorTable()) {
    categories.push_back(entry.category);
    if (entry.view_item) view_items.push_back(*entry.view_item);
  }
  EXPECT_EQ(categories, kFileOrder);
  // Printers, shares and the administrator's items have no View item.
  std::vector<MenuItem> want = {MenuItem::kShowSoft,   MenuItem::kShowHard,  MenuItem::kShowLan,
                                MenuItem::kShowApp,    MenuItem::kShowDrive, MenuItem::kShowEnv,
                                MenuItem::kShowDevice, MenuItem::kShowWmi};
  EXPECT_EQ(view_items, want);
}

TEST(RunFullCollection, HeaderThenEveryCollectorInFileOrder) {
  World w;
  Furnish(w.m);
  RunFullCollection(w.ctx);

  std::vector<std::string> want = {"header"};
  want.insert(want.end(), kFileOrder.begin(), kFileOrder.end());
  EXPECT_EQ(Blocks(w.m.ui.rows), want);

  const auto& header = w.m.ui.rows.front();
  EXPECT_EQ(header, (std::vector<std::string>{"PC01", "Create", "DateTime", "2026/12/07", header[4],
                                              VersionText(), "2026/12/07"}));
  // The LAN identity shows the DNS server the adapter reported in this run.
  const auto dns = std::find_if(w.m.ui.rows.begin(), w.m.ui.rows.end(),
                                [](const auto& row) { return row[3] == "PrimaryDNS"; });
  ASSERT_NE(dns, w.m.ui.rows.end());
  EXPECT_EQ((*dns)[4], "010.000.000.001");
  EXPECT_EQ(w.ctx.main.next_row, static_cast<std::int64_t>(w.m.ui.rows.size()));
  EXPECT_TRUE(w.m.ui.messages.empty());
  EXPECT_EQ(w.m.wmi.Live(), 0);
}

TEST(ViewCommands, EachItemRunsItsOwnCategoryAlone) {
  for (const CollectorEntry& entry : CollectorTable()) {
    if (!entry.view_item) continue;
    fakes::FakeMachine m;
    Furnish(m);
    MainWindowLogic window(m.platform);
    window.Start();
    window.OnMenuCommand(*entry.view_item);
    EXPECT_EQ(Blocks(m.ui.rows), std::vector<std::string>{entry.category}) << entry.category;
    EXPECT_EQ(window.context().main.next_row, static_cast<std::int64_t>(m.ui.rows.size()));
  }
}

}  // namespace
}  // namespace norvale
