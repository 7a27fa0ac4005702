// Registry views, file versions and the application list against the real
// registry and file system (run under Wine).
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>

#include "collectors/software/applications.h"
#include "collectors/common/registry_access.h"
#include "core/context.h"
#include "platform/win32/files.h"
#include "platform/win32/hardware.h"
#include "platform/win32/local_security.h"
#include "platform/win32/main_window.h"
#include "platform/win32/registry.h"
#include "platform/win32/system.h"
#include "platform/win32/text.h"
#include "platform/win32/wmi.h"

namespace norvale::win32 {
namespace {

constexpr const wchar_t* kScratch = L"SOFTWARE\\NorvaleWin32Test";
constexpr const wchar_t* kUninstall =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NorvaleWin32Test";

// Rows as the list would show them.
struct RecordingList : platform::ResultList {
  std::vector<std::vector<std::string>> rows;
  int AddListColumn(int position, std::string_view, int) override { return position; }
  int AddListRow(int row, std::string_view text) override {
    rows.push_back({std::string(text)});
    rows.back().resize(7);
    return row;
  }
  bool SetListCell(int, int column, std::string_view text) override {
    rows.back()[column] = std::string(text);
    return true;
  }
  bool ClearList() override { return true; }
};

struct Machine {
  Win32Registry registry;
  Win32System system;
  Win32Locale locale;
  Win32Files files;
  MainWindow window{GetModuleHandleW(nullptr)};
  Win32Hardware hardware{[this] { return window.hwnd(); }};
  Win32Wmi wmi;
  Win32LocalSecurity security;
  platform::Platform platform{registry, system, locale, files, window, hardware, wmi, security};
  RecordingList list;
  Context ctx{platform};
  Machine() { ctx.main.list = &list; }
};

// Writes a text value into a key of HKLM in one view, creating the key.
void PutText(REGSAM view, const std::wstring& path, const wchar_t* name, const std::wstring& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void PutDword(REGSAM view, const std::wstring& path, const wchar_t* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void DeleteInBothViews(const std::wstring& parent, const wchar_t* child) {
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_ALL_ACCESS | view, &key) ==
        ERROR_SUCCESS) {
      RegDeleteTreeW(key, child);
      RegCloseKey(key);
    }
  }
}

TEST(Win32RegistryViews, EachReaderUsesItsView) {
  Machine m;
  if (!m.system.IsWow64()) GTEST_SKIP() << "32-bit Windows has one view";
  DeleteInBothViews(L"SOFTWARE", L"NorvaleWin32Test");
  PutText(KEY_WOW64_32KEY, kScratch, L"Tag", L"thirty-two");
  PutText(KEY_WOW64_64KEY, kScratch, L"Tag", L"sixty-four");
  PutDword(KEY_WOW64_32KEY, kScratch, L"AllOnes", 0xFFFFFFFF);
  PutDword(KEY_WOW64_32KEY, kScratch, L"One", 1);
  PutDword(KEY_WOW64_32KEY, kScratch, L"Zero", 0);
  PutText(KEY_WOW64_64KEY, std::wstring(kScratch) + L"\\Only64", L"x", L"1");

  const char* path = "SOFTWARE\\NorvaleWin32Test";
  EXPECT_EQ(ReadRegValue(m.ctx, RegRoot::kLocalMachine, path, "Tag", kRegKindText, Text("")),
            Text("thirty-two"));
  EXPECT_EQ(ReadRegValue(m.ctx, RegRoot::kLocalMachine, path, "AllOnes", kRegKindNumber, Text("")),
            Whole(-1));
  std::string text;
  EXPECT_TRUE(ReadRegString64(m.ctx, RegRoot::kLocalMachine, path, "Tag", text));
  EXPECT_EQ(text, "sixty-four");
  EXPECT_TRUE(ReadRegString32(m.ctx, RegRoot::kLocalMachine, path, "Tag", text));
  EXPECT_EQ(text, "thirty-two");
  EXPECT_TRUE(ReadRegString32(m.ctx, RegRoot::kLocalMachine, path, "One", text));
  EXPECT_FALSE(ReadRegString32(m.ctx, RegRoot::kLocalMachine, path, "Zero", text));
  std::vector<std::string> names;
  EXPECT_EQ(EnumRegSubkeys(m.ctx, RegRoot::kLocalMachine, path, names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"Only64"});
  EXPECT_FALSE(m.registry.EnumSubkeys(RegRoot::kLocalMachine, path + std::string("\\Only64"),
                                      platform::RegView::k32));
  DeleteInBothViews(L"SOFTWARE", L"NorvaleWin32Test");
}

TEST(Win32RegistryViews, ApplicationsFromBothViews) {
  Machine m;
  if (!m.system.IsWow64()) GTEST_SKIP() << "32-bit Windows has one view";
  const std::wstring parent = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  DeleteInBothViews(parent, L"NorvaleWin32Test");
  PutText(KEY_WOW64_32KEY, kUninstall, L"DisplayName", L"Win32 Test 32");
  PutText(KEY_WOW64_32KEY, kUninstall, L"DisplayVersion", L"3.2");
  PutText(KEY_WOW64_64KEY, kUninstall, L"DisplayName", L"Win32 Test 64");
  PutText(KEY_WOW64_64KEY, kUninstall, L"Publisher", L"Tester");
  GetApplication(m.ctx);
  std::vector<std::vector<std::string>> ours;
  for (const auto& row : m.list.rows) {
    if (row[3].starts_with("Win32 Test")) ours.push_back({row[1], row[2], row[3], row[4], row[5]});
  }
  EXPECT_EQ(ours, (std::vector<std::vector<std::string>>{
                      {"Soft", "Application", "Win32 Test 32", "3.2", ""},
                      {"Soft", "Application", "Win32 Test 64", "", "Tester"}}));
  DeleteInBothViews(parent, L"NorvaleWin32Test");
}

TEST(Win32FileVersion, PlainFilesOnly) {
  Machine m;
  const std::string system = m.system.SystemDirectory();
  const auto kernel = m.files.FileVersion(system + "\\kernel32.dll");
  ASSERT_TRUE(kernel);
  EXPECT_TRUE(std::regex_match(*kernel, std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << *kernel;

  const std::string folder = m.system.TempFolder() + "\\norvale-test-version";
  CreateDirectoryW(Wide(folder).c_str(), nullptr);
  const std::string plain = folder + "\\plain.txt";
  const std::string hidden = folder + "\\hidden.txt";
  ASSERT_TRUE(m.files.WriteAll(plain, "no resource"));
  ASSERT_TRUE(m.files.WriteAll(hidden, "no resource"));
  SetFileAttributesW(Wide(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(m.files.FileVersion(plain), "");
  EXPECT_EQ(m.files.FileVersion(hidden), std::nullopt);
  EXPECT_EQ(m.files.FileVersion(folder), std::nullopt);
  EXPECT_EQ(m.files.FileVersion(folder + "\\missing.dll"), std::nullopt);
  EXPECT_EQ(m.files.FileVersion(system + "\\kernel3?.dll"), std::nullopt);
  EXPECT_EQ(m.files.FileVersion(""), std::nullopt);
  SetFileAttributesW(Wide(hidden).c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(Wide(hidden).c_str());
  DeleteFileW(Wide(plain).c_str());
  RemoveDirectoryW(Wide(folder).c_str());
}

}  // namespace
}  // namespace norvale::win32
