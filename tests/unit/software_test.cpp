#include "collectors/software/software.h"

#include <gtest/gtest.h>

#include "collectors/common/registry_access.h"
#include "collectors/software/windows_version.h"
#include "tests/unit/world.h"

namespace norvale {
namespace {

using platform::VersionRecord;
using testing::Rows;
using testing::World;

constexpr const char* kCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

VersionRecord Record(std::uint32_t platform_id, std::uint32_t major, std::uint32_t minor,
                     std::uint8_t product = 0, std::uint16_t suite = 0, bool extended = true) {
  VersionRecord v;
  v.platform_id = platform_id;
  v.major = major;
  v.minor = minor;
  v.product_type = product;
  v.suite_mask = suite;
  v.extended_valid = extended;
  return v;
}

TEST(ReadWindowsVersionName, NamesTheVersionsTheRecordKnows) {
  struct Case {
    VersionRecord record;
    std::uint32_t build;
    const char* csd;
    std::string want;
  } cases[] = {
      {Record(1, 4, 0), 950, " C", "Windows 95 C Build: 950"},
      {Record(1, 4, 10), 0x04100000 | 2222, "", "Windows 98 Build: 2222"},
      {Record(1, 4, 90), 3000, "", "Windows Me Build: 3000"},
      {Record(1, 4, 20), 1, "", "Windows Me later Build: 1"},
      {Record(1, 5, 0), 0xFFFF, "", "Windows Me later Build: -1"},  // signed low 16 bits
      {Record(2, 4, 0, 1), 1381, "Service Pack 6", "Windows NT Version 4.00 Workstation"},
      {Record(2, 4, 0, 3), 1381, "", "Windows NT Version 4.00 Server"},
      {Record(2, 4, 0, 2), 1381, "", "Windows NT Version 4.00"},
      {Record(2, 3, 51, 1, 0, false), 1057, "", "Windows NT Version 3.51"},
      {Record(2, 4, 5, 3, 0, false), 1, "", "Windows NT Version 4.05"},
      {Record(2, 5, 0, 1), 2195, "", "Windows 2000 Professional"},
      {Record(2, 5, 0, 3), 2195, "", "Windows 2000 Server"},
      {Record(2, 5, 0, 2), 2195, "", "Windows 2000"},
      {Record(2, 5, 0, 1, 0, false), 2195, "", "Windows 2000"},  // product type unknown
      {Record(2, 5, 1, 1, 0x200), 2600, "", "Windows XP Home Edition"},
      {Record(2, 5, 1, 1, 0x100), 2600, "", ""},  // Professional: from the registry
      {Record(2, 5, 1, 3), 2600, "", ""},
      {Record(2, 5, 1, 2), 2600, "", "Windows XP"},
      {Record(2, 5, 1, 1, 0x200, false), 2600, "", "Windows XP"},
      {Record(2, 5, 2, 3), 3790, "", ""},
      {Record(2, 6, 1, 1), 7601, "", ""},
      {Record(2, 10, 0, 1), 22631, "", ""},
      {Record(3, 4, 0, 1), 1, "", ""},
  };
  for (auto& c : cases) {
    World w;
    c.record.build = c.build;
    c.record.csd_version = c.csd;
    w.m.system.version = c.record;
    const WindowsVersionName got = ReadWindowsVersionName(w.ctx);
    EXPECT_EQ(got.name, c.want) << c.want;
    EXPECT_EQ(got.service_pack, c.csd);
    EXPECT_TRUE(w.m.ui.rows.empty());
  }
}

TEST(ReadWindowsVersionName, WithoutARecordNothingIsKnown) {
  World w;
  w.m.system.version.reset();
  const WindowsVersionName got = ReadWindowsVersionName(w.ctx);
  EXPECT_EQ(got.name, "");
  EXPECT_EQ(got.service_pack, "");
  EXPECT_TRUE(w.m.ui.rows.empty());
}

// The version rows of a machine described by its version record and the
// registry values under CurrentVersion.
struct Machine {
  const char* name;
  VersionRecord record;
  const char* record_csd;
  const char* product_name;  // nullptr: value missing
  const char* csd_version;
  const char* build;
  std::string want_version;
};

TEST(GetSoftware, VersionRowFromRecordOrProductName) {
  const Machine machines[] = {
      {"Windows 7", Record(2, 6, 1, 1), "Service Pack 1", "Windows 7 Professional",
       "Service Pack 1", "7601", "Windows 7 Professional (Build 7601) SP 1"},
      {"Vista", Record(2, 6, 0, 1), "", "Windows Vista (TM) Business", "", "6000",
       "Windows Vista Business (Build 6000) "},
      {"XP Professional", Record(2, 5, 1, 1), "Service Pack 3", "Microsoft Windows XP Professional",
       "Service Pack 3", "2600", "Windows XP Professional (Build 2600) SP 3"},
      {"Server 2003", Record(2, 5, 2, 3), "", "Microsoft(TM) Windows(TM) Server 2003",
       "Service Pack 2", "3790", "Microsoft Windows Server 2003 (Build 3790) SP 2"},
      // XP Home names itself; the registry's product name is not used.
      {"XP Home", Record(2, 5, 1, 1, 0x200), "Service Pack 2", "Microsoft Windows XP", "", "2600",
       "Windows XP Home Edition (Build 2600) SP 2"},
      {"SP only from the record", Record(2, 6, 1, 1), "Service Pack 1", "Windows 7 Ultimate", "",
       "7601", "Windows 7 Ultimate (Build 7601) SP 1"},
      {"one-character CSDVersion", Record(2, 6, 1, 1), "Service Pack 1", "Windows 7", "X", "7601",
       "Windows 7 (Build 7601) SP 1"},
      {"nothing at all", Record(2, 6, 1, 1), "", nullptr, "", "", " (Build ) "},
      // Windows 11 keeps "Windows 10" in ProductName.
      {"Windows 11", Record(2, 10, 0, 1), "", "Windows 10 Pro", "", "22631",
       "Windows 11 Pro (Build 22631) "},
      {"first Windows 11 build", Record(2, 10, 0, 1), "", "Windows 10 Enterprise", "", "22000",
       "Windows 11 Enterprise (Build 22000) "},
      {"Windows 10", Record(2, 10, 0, 1), "", "Windows 10 Pro", "", "19045",
       "Windows 10 Pro (Build 19045) "},
      {"server with a new build", Record(2, 10, 0, 3), "", "Windows Server 2025 Standard", "",
       "26100", "Windows Server 2025 Standard (Build 26100) "},
      {"odd build text", Record(2, 10, 0, 1), "", "Windows 10 Pro", "", "22631a",
       "Windows 10 Pro (Build 22631a) "},
  };
  for (const Machine& m : machines) {
    World w;
    w.m.system.version = m.record;
    w.m.system.version->csd_version = m.record_csd;
    // A 32-bit process reads these through WOW6432Node.
    const std::string path = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion";
    if (m.product_name)
      w.m.registry.SetString(RegRoot::kLocalMachine, path, "ProductName", m.product_name);
    w.m.registry.SetString(RegRoot::kLocalMachine, path, "CSDVersion", m.csd_version);
    w.m.registry.SetString(RegRoot::kLocalMachine, path, "CurrentBuildNumber", m.build);
    GetSoftware(w.ctx);
    ASSERT_EQ(w.m.ui.rows.size(), 4u) << m.name;
    EXPECT_EQ(w.Cells("Soft")[0],
              (std::vector<std::string>{"Windows", "Version", m.want_version, ""}))
        << m.name;
  }
}

TEST(GetSoftware, FourRowsInOrder) {
  World w;
  w.m.system.version = Record(2, 6, 1, 1);
  w.m.system.system_directory = "C:\\Windows\\system32";
  auto& reg = w.m.registry;
  reg.SetString(RegRoot::kLocalMachine, std::string(kCurrentVersion), "ProductId",
                "00371-OEM-8992671-00524");  // the 64-bit view
  reg.SetString(RegRoot::kLocalMachine,
                "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion", "ProductName",
                "Windows 7 Home Premium");
  reg.SetString(RegRoot::kLocalMachine,
                "SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion",
                "CurrentBuildNumber", "7601");
  reg.SetString(RegRoot::kLocalMachine, "SOFTWARE\\WOW6432Node\\Microsoft\\Internet Explorer",
                "Version", "  9.11.9600.18893 ");
  GetSoftware(w.ctx);
  EXPECT_EQ(w.Cells("Soft"), (Rows{
                                 {"Windows", "Version", "Windows 7 Home Premium (Build 7601) ", ""},
                                 {"Windows", "ProductID", "00371-OEM-8992671-00524", ""},
                                 {"Windows", "SystemPath", "C:\\Windows\\system32", ""},
                                 {"IE", "Version", "9.11.9600.18893", ""},
                             }));
  EXPECT_EQ(w.m.ui.rows[0][0], "PC01");
  EXPECT_EQ(w.m.ui.rows[0][6], "2026/12/07");
}

TEST(GetSoftware, MissingProductIdStillGivesItsRow) {
  World w;
  GetSoftware(w.ctx);
  ASSERT_EQ(w.Cells("Soft").size(), 4u);
  EXPECT_EQ(w.Cells("Soft")[1], (std::vector<std::string>{"Windows", "ProductID", "", ""}));
}

TEST(GetSoftware, FromTheFixturesEachValueInItsView) {
  World w;  // software.reg: IE version and product ID in both views
  w.ImportSoftware();
  w.m.registry.ImportFile(NORVALE_FIXTURES "/windows11.reg");
  w.m.system.version = Record(2, 6, 1, 1);
  w.m.system.version->csd_version = "Service Pack 1";
  GetSoftware(w.ctx);
  EXPECT_EQ(w.Cells("Soft"), (Rows{
                                 {"Windows", "Version", "Windows 11 Pro (Build 22631) SP 1", ""},
                                 {"Windows", "ProductID", "00330-80000-00000-AA064", ""},
                                 {"Windows", "SystemPath", "C:\\Windows\\system32", ""},
                                 {"IE", "Version", "11.0.9600.1", ""},
                             }));
}

}  // namespace
}  // namespace norvale
