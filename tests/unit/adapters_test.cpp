#include "collectors/network/adapters.h"

#include <gtest/gtest.h>

#include "collectors/network/lan.h"
#include "tests/unit/world.h"

namespace norvale {
namespace {

using testing::Rows;
using testing::World;

using fakes::FakeWmiObject;
using Texts = std::vector<std::string>;

constexpr const char* kQuery =
    "Select * from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE";

FakeWmiObject Adapter(std::string caption, Texts ips, Texts dns = {}) {
  FakeWmiObject a{
      {"DNSHostName", "host01"},
      {"DNSServerSearchOrder", dns.empty() ? platform::WmiValue{} : platform::WmiValue{dns}},
      {"Caption", caption},
      {"MACAddress", "00:11:22:33:44:55"},
      {"IpAddress", ips},
      {"IPSubnet", Texts{"255.255.255.0", "64"}},
      {"DefaultIPGateway", Texts{"192.168.1.1"}},
      {"DhcpServer", "192.168.1.1"},
      {"WINSPrimaryServer", "10.0.0.2"},
      {"WINSSecondaryServer", "10.0.0.3"},
      {"DNSDomain", "example.lan"},
      {"DhcpEnabled", true},
  };
  return a;
}

std::vector<std::string> ErrorCells(const char* module, const char* number, const char* text) {
  return {"error", module, number, text};
}

TEST(FixedWidthAddress, FixedWidthForms) {
  struct Case {
    const char* address;
    const char* want;
  } cases[] = {
      {"0.0.0.0", "-"},
      // Every part has three digits, a zero part too.
      {"255.255.255.0", "255.255.255.000"},
      {"10.0.0.1", "010.000.000.001"},
      {"192.168.1.10", "192.168.001.010"},
      {"fe80::1", "fe80::1"},
      {"1.2.3.4.5", "001.002.003.004"},
      {"", ""},
      {"1000.1.1.1", "1000.001.001.001"},
  };
  for (const auto& c : cases) {
    World w;
    EXPECT_EQ(FixedWidthAddress(w.ctx, c.address), c.want) << c.address;
    EXPECT_TRUE(w.m.ui.rows.empty()) << c.address;
  }
}

TEST(FixedWidthAddress, TooFewPartsLeavesItsOwnErrorRowAndGivesEmptyText) {
  for (const char* address : {"10.0.0", "10.", "."}) {
    World w;
    EXPECT_EQ(FixedWidthAddress(w.ctx, address), "") << address;
    EXPECT_EQ(w.Cells("LAN"),
              (Rows{ErrorCells("mAdapter,IPConvert", "9", "Subscript out of range")}))
        << address;
    EXPECT_EQ(w.m.ui.rows[0][1], "LAN");
  }
}

TEST(GetAdapter, EightRowsPerAdapterWithNumberedItems) {
  World w;
  w.m.wmi.Set(kQuery,
              {Adapter("[00000007] Intel(R) Ethernet", {"192.168.1.10", "fe80::1"}),
               Adapter("Realtek PCIe", {"10.0.0.5"}), Adapter("[00000012] Wi-Fi", {"172.16.0.9"})});
  GetAdapter(w.ctx);

  ASSERT_EQ(w.m.ui.rows.size(), 24u);
  const Rows all = w.Cells("LAN");
  const Rows first(all.begin(), all.begin() + 8);
  EXPECT_EQ(first, (Rows{
                       {"Adapter", "AdapterName", "Intel(R) Ethernet", ""},
                       {"Adapter", "IPAddress", "192.168.001.010", ""},
                       {"Adapter", "Subnet", "255.255.255.000", ""},
                       {"Adapter", "Gateway", "192.168.001.001", ""},
                       {"Adapter", "DHCPServer", "192.168.001.001", ""},
                       {"Adapter", "PrimaryWINS", "010.000.000.002", ""},
                       {"Adapter", "SecondaryWINS", "010.000.000.003", ""},
                       {"Adapter", "MACAddress", "00:11:22:33:44:55", ""},
                   }));
  EXPECT_EQ(w.Cells("LAN")[8][0], "Adapter2");
  EXPECT_EQ(w.Cells("LAN")[8][2], "Realtek PCIe");
  EXPECT_EQ(w.Cells("LAN")[16][0], "Adapter3");
  EXPECT_EQ(w.Cells("LAN")[16][2], "Wi-Fi");
  for (const auto& row : w.m.ui.rows) {
    EXPECT_EQ(row[0], "PC01");
    EXPECT_EQ(row[1], "LAN");
    EXPECT_EQ(row[6], "2026/12/07");
  }
  ASSERT_EQ(w.m.wmi.queries.size(), 1u);
  EXPECT_EQ(w.m.wmi.connections, Texts{"\\root\\CIMV2"});
  EXPECT_EQ(w.m.wmi.queries[0].flags, 48);
  EXPECT_EQ(w.m.wmi.Live(), 0);
}

TEST(GetAdapter, JapaneseLabels) {
  World w;
  w.ctx.main.country = "JAPAN";
  w.m.wmi.Set(kQuery, {Adapter("LAN", {"10.0.0.5"})});
  GetAdapter(w.ctx);
  Texts labels;
  for (const auto& row : w.m.ui.rows) labels.push_back(row[3]);
  EXPECT_EQ(labels, (Texts{"アダプター名", "IPアドレス", "サブネットマスク", "ゲートウェイ",
                           "DHCPServer", "PrimaryWINS", "SecondaryWINS", "MACアドレス"}));
}

TEST(GetAdapter, NullAddressesGiveEmptyCells) {
  World w;
  FakeWmiObject a = Adapter("LAN", {"10.0.0.5"});
  for (const char* p :
       {"DhcpServer", "WINSPrimaryServer", "WINSSecondaryServer", "IPSubnet", "DefaultIPGateway"}) {
    a[p] = platform::WmiValue{};
  }
  w.m.wmi.Set(kQuery, {a});
  GetAdapter(w.ctx);
  ASSERT_EQ(w.m.ui.rows.size(), 8u);
  const Rows cells = w.Cells("LAN");
  EXPECT_EQ(cells[1][2], "010.000.000.005");
  for (int i : {2, 3, 4, 5, 6}) EXPECT_EQ(cells[i][2], "") << cells[i][1];
}

TEST(GetAdapter, DnsServersHandOverBetweenAdapters) {
  struct Case {
    const char* name;
    std::vector<Texts> dns_lists;  // one per adapter, empty for null
    const char* primary;
    const char* secondary;
  } cases[] = {
      {"A two then B one",
       {{"10.0.0.1", "10.0.0.2"}, {"8.8.8.8"}},
       "008.008.008.008",
       "010.000.000.002"},
      {"third entry never shows",
       {{"10.0.0.1", "10.0.0.2", "10.0.0.3"}},
       "010.000.000.001",
       "010.000.000.002"},
      {"B without list keeps A's",
       {{"10.0.0.1", "10.0.0.2"}, {}},
       "010.000.000.001",
       "010.000.000.002"},
      {"ipv6 server unchanged", {{"fec0::1"}}, "fec0::1", ""},
  };
  for (const auto& c : cases) {
    World w;
    std::vector<FakeWmiObject> adapters;
    for (const auto& list : c.dns_lists) adapters.push_back(Adapter("LAN", {"10.0.0.5"}, list));
    w.m.wmi.Set(kQuery, adapters);
    const AdapterNames names = GetAdapter(w.ctx);
    EXPECT_EQ(names.primary_dns, c.primary) << c.name;
    EXPECT_EQ(names.secondary_dns, c.secondary) << c.name;
    EXPECT_EQ(names.host_name, "host01") << c.name;
  }
}

TEST(GetAdapter, NoAdapterGivesNoNames) {
  World w;
  w.m.wmi.Set(kQuery, {});
  const AdapterNames names = GetAdapter(w.ctx);
  EXPECT_TRUE(w.m.ui.rows.empty());
  EXPECT_EQ(names.host_name, "");
  EXPECT_EQ(names.primary_dns, "");
  EXPECT_EQ(names.secondary_dns, "");
}

TEST(GetAdapter, CaptionForms) {
  struct Case {
    const char* caption;
    const char* name;
  } cases[] = {
      {"[00000001] Intel(R) PRO/1000", "Intel(R) PRO/1000"},
      {"Intel(R) PRO/1000", "Intel(R) PRO/1000"},
      {"[00000001] ", ""},
      {"[00000002] 有線 LAN", "有線 LAN"},
      {"", ""},
  };
  for (const auto& c : cases) {
    World w;
    w.m.wmi.Set(kQuery, {Adapter(c.caption, {"10.0.0.5"})});
    GetAdapter(w.ctx);
    ASSERT_EQ(w.m.ui.rows.size(), 8u) << c.caption;
    EXPECT_EQ(w.Cells("LAN")[0][2], c.name) << c.caption;
  }
}

TEST(GetAdapter, FailuresEndTheCollectorAndKeepEarlierAdapters) {
  FakeWmiObject short_caption = Adapter("[0001]", {"10.0.0.6"});
  FakeWmiObject null_mac = Adapter("LAN 2", {"10.0.0.6"});
  null_mac["MACAddress"] = platform::WmiValue{};
  FakeWmiObject no_caption = Adapter("x", {"10.0.0.6"});
  no_caption.erase("Caption");
  FakeWmiObject scalar_ip = Adapter("LAN 2", {});
  scalar_ip["IpAddress"] = "10.0.0.6";

  struct Case {
    const char* name;
    FakeWmiObject second;
    std::vector<std::string> error;
  } cases[] = {
      {"short bracketed caption", short_caption,
       ErrorCells("mAdapter", "5", "Invalid procedure call or argument")},
      {"null MAC address", null_mac, ErrorCells("mAdapter", "94", "Invalid use of Null")},
      {"caption missing", no_caption, ErrorCells("mAdapter", "-2147217406", "Not found")},
      {"address not a list", scalar_ip, ErrorCells("mAdapter", "13", "Type mismatch")},
  };
  for (const auto& c : cases) {
    World w;
    w.m.wmi.Set(kQuery, {Adapter("LAN 1", {"10.0.0.5"}, {"10.0.0.1"}), c.second,
                         Adapter("LAN 3", {"10.0.0.7"})});
    const AdapterNames names = GetAdapter(w.ctx);
    ASSERT_EQ(w.m.ui.rows.size(), 9u) << c.name;
    EXPECT_EQ(w.Cells("LAN")[8], c.error) << c.name;
    EXPECT_EQ(w.m.ui.rows[8][1], "LAN") << c.name;
    EXPECT_EQ(names.primary_dns, "010.000.000.001") << c.name;
    EXPECT_EQ(w.m.wmi.Live(), 0) << c.name;
  }
}

TEST(GetAdapter, BadAddressRecordsIPConvertErrorAndGoesOn) {
  World w;
  FakeWmiObject a = Adapter("LAN", {"10.0.0"});
  w.m.wmi.Set(kQuery, {a});
  GetAdapter(w.ctx);
  ASSERT_EQ(w.m.ui.rows.size(), 9u);
  EXPECT_EQ(w.Cells("LAN")[0], ErrorCells("mAdapter,IPConvert", "9", "Subscript out of range"));
  EXPECT_EQ(w.Cells("LAN")[2], (Texts{"Adapter", "IPAddress", "", ""}));
}

TEST(GetAdapter, UnreachableWmiGivesOneErrorRow) {
  World w;
  w.m.wmi.unreachable = Failure(-2147217394, "Invalid namespace");
  const AdapterNames names = GetAdapter(w.ctx);
  EXPECT_EQ(w.Cells("LAN"), (Rows{ErrorCells("mAdapter", "-2147217394", "Invalid namespace")}));
  EXPECT_EQ(names.host_name, "");
}

}  // namespace
}  // namespace norvale
