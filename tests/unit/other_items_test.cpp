#include "collectors/software/other_items.h"

#include <gtest/gtest.h>

#include "tests/unit/world.h"

namespace norvale {
namespace {

using testing::Rows;
using testing::World;

struct OtherWorld : World {
  OtherWorld() {
    ImportSoftware();
    m.files.Put("C:\\Apps\\tool.exe", "MZ");
    m.files.versions["C:\\APPS\\TOOL.EXE"] = "12.0.3.4567";
    m.files.Put("C:\\Apps\\readme.txt", "no version resource");
    m.files.Put("C:\\Apps\\secret.dll", "MZ");
    m.files.versions["C:\\APPS\\SECRET.DLL"] = "1.0.0.0";
    m.files.hidden.insert("C:\\APPS\\SECRET.DLL");
    m.files.Put("C:\\a", "MZ");
    m.files.versions["C:\\A"] = "2.0.0.1";
    m.files.Put("C:\\Apps\\busy.dll", "MZ");
    m.files.in_use.insert("C:\\APPS\\BUSY.DLL");
    m.system.environment = {"SystemRoot=C:\\Windows"};
  }
};

TEST(GetOtherItems, RegistryAndFileRows) {
  struct Case {
    const char* name;
    const char* ini;
    Rows want;
  } cases[] = {
      {"registry values in the default view",
       "[REGISTRY]\r\n"
       "01=Asset;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag\r\n"
       "02=Owner;HKEY_CURRENT_USER;Software\\NorvaleTest;Owner\r\n"
       "03=Missing;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Nothing\r\n"
       "04=Too long;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Text256\r\n"
       "05=Extra;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag;ignored;too\r\n"
       "06=Number;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Flags\r\n"
       "07=All ones;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AllOnes\r\n"
       "08=Multi;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Multi\r\n"
       "09=Expandable;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;Expand\r\n",
       {{"REGISTRY", "Asset", "A-1234", ""},
        {"REGISTRY", "Owner", "Alice", ""},
        {"REGISTRY", "Missing", "", ""},
        {"REGISTRY", "Too long", "", ""},
        {"REGISTRY", "Extra", "A-1234", ""},
        {"REGISTRY", "Number", "42", ""},
        {"REGISTRY", "All ones", "4294967295", ""},
        {"REGISTRY", "Multi", "one", ""},
        // REG_EXPAND_SZ comes expanded, as the shell's reader gives it.
        {"REGISTRY", "Expandable", "C:\\Windows\\x", ""}}},
      {"root names match exactly",
       "[REGISTRY]\r\n"
       "01=Lower;hkey_local_machine;SOFTWARE\\NorvaleTest;AssetTag\r\n"
       "02=Blank; HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag\r\n"
       "03=Unknown two;HKEY_NOWHERE\r\n"
       "04=Unknown three;HKLM;SOFTWARE\\NorvaleTest\r\n"
       "05=Blank label ; HKEY_LOCAL_MACHINE;x;y\r\n",
       {{"REGISTRY", "Lower", "", ""},
        {"REGISTRY", "Blank", "", ""},
        {"REGISTRY", "Unknown two", "", ""},
        {"REGISTRY", "Unknown three", "", ""},
        {"REGISTRY", "Blank label ", "", ""}}},
      {"numbering stops at the first gap",
       "[REGISTRY]\r\n01=One;X\r\n02=Two;X\r\n04=Four;X\r\n"
       "[FILEINFO]\r\n02=Never;C:\\Apps\\tool.exe\r\n",
       {{"REGISTRY", "One", "", ""}, {"REGISTRY", "Two", "", ""}}},
      {"a key without = is missing", "[REGISTRY]\r\n01\r\n02=Two;X\r\n", {}},
      {"files",
       "[FILEINFO]\r\n"
       "01=Tool;C:\\Apps\\tool.exe\r\n"
       "02=Missing;C:\\Apps\\gone.exe\r\n"
       "03=Folder;C:\\Apps\r\n"
       "04=Plain;C:\\Apps\\readme.txt\r\n"
       "05=Hidden;C:\\Apps\\secret.dll\r\n"
       "06=Short name;C:\\a\r\n"
       "07=Empty path;\r\n"
       "08=Extra;C:\\Apps\\tool.exe;more\r\n",
       {{"FILEINFO", "Tool", "12.0.3.4567", ""},
        {"FILEINFO", "Missing", "Nofile", ""},
        {"FILEINFO", "Folder", "Nofile", ""},
        {"FILEINFO", "Plain", "", ""},
        {"FILEINFO", "Hidden", "Nofile", ""},
        {"FILEINFO", "Short name", "2.0.0.1", ""},
        {"FILEINFO", "Empty path", "Nofile", ""},
        {"FILEINFO", "Extra", "12.0.3.4567", ""}}},
      {"registry rows come first",
       "[FILEINFO]\r\n01=Tool;C:\\Apps\\tool.exe\r\n"
       "[REGISTRY]\r\n01=Asset;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag\r\n",
       {{"REGISTRY", "Asset", "A-1234", ""}, {"FILEINFO", "Tool", "12.0.3.4567", ""}}},
      {"no sections", "[setting]\r\nAUTOSAVE=0\r\n", {}},
  };
  for (const auto& c : cases) {
    OtherWorld w;
    w.m.WriteSettings(c.ini);
    GetOtherItems(w.ctx);
    EXPECT_EQ(w.Cells("OTHER"), c.want) << c.name;
  }
}

TEST(GetOtherItems, BadEntriesEndTheCollectorWithOneErrorRow) {
  const Rows error = {{"error", "mOther", "9", "Subscript out of range"}};
  struct Case {
    const char* name;
    std::string ini;
    size_t rows_before;
  } cases[] = {
      {"empty entry", "[REGISTRY]\r\n01=Asset;X\r\n02=\r\n", 1},
      {"long entry cut before its ;",
       "[REGISTRY]\r\n01=Asset;X\r\n02=" + std::string(1023, 'L') + ";X\r\n", 1},
      {"no ;", "[REGISTRY]\r\n01=JustALabel\r\n", 0},
      {"valid root, three pieces", "[REGISTRY]\r\n01=Asset;HKEY_LOCAL_MACHINE;SOFTWARE\r\n", 0},
      {"valid root, two pieces", "[REGISTRY]\r\n01=Asset;HKEY_CURRENT_USER\r\n", 0},
      // A REGISTRY failure means FILEINFO is not read.
      {"registry fault skips files",
       "[REGISTRY]\r\n01=Bad\r\n[FILEINFO]\r\n01=Tool;C:\\Apps\\tool.exe\r\n", 0},
      {"file entry without a path",
       "[FILEINFO]\r\n01=Tool;C:\\Apps\\tool.exe\r\n02=NoPath\r\n03=Tool;C:\\Apps\\tool.exe\r\n",
       1},
  };
  for (const auto& c : cases) {
    OtherWorld w;
    w.m.WriteSettings(c.ini);
    GetOtherItems(w.ctx);
    const Rows rows = w.Cells("OTHER");
    ASSERT_EQ(rows.size(), c.rows_before + 1) << c.name;
    EXPECT_EQ(Rows(rows.end() - 1, rows.end()), error) << c.name;
  }
}

// A version that cannot be read is not "no version resource": the file's
// error ends the collector like any other failure.
TEST(GetOtherItems, AFileInUseGivesTheErrorRowNotAnEmptyVersion) {
  OtherWorld w;
  w.m.WriteSettings(
      "[FILEINFO]\r\n01=Tool;C:\\Apps\\tool.exe\r\n02=Busy;C:\\Apps\\busy.dll\r\n"
      "03=Never;C:\\Apps\\tool.exe\r\n");
  GetOtherItems(w.ctx);
  const Rows want = {{"FILEINFO", "Tool", "12.0.3.4567", ""},
                     {"error", "mOther", "32",
                      "The process cannot access the file because it is being used by another "
                      "process."}};
  EXPECT_EQ(w.Cells("OTHER"), want);
}

TEST(GetOtherItems, EntriesUpToNinetyNineAndTheBufferSize) {
  OtherWorld w;
  std::string ini = "[FILEINFO]\r\n";
  for (int n = 1; n <= 100; ++n) {
    ini += (n < 10 ? "0" : "") + std::to_string(n) + "=F" + std::to_string(n) + ";C:\\a\r\n";
  }
  w.m.WriteSettings(ini);
  GetOtherItems(w.ctx);
  ASSERT_EQ(w.Cells("OTHER").size(), 99u);
  EXPECT_EQ(w.Cells("OTHER").back(), (std::vector<std::string>{"FILEINFO", "F99", "2.0.0.1", ""}));
}

}  // namespace
}  // namespace norvale
