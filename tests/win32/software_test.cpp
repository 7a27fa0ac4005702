// Registry views, file versions and the application list against the real
// registry and file system (run under Wine).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <regex>

#include "app/list_sink.h"
#include "collectors/common/registry_access.h"
#include "collectors/software/applications.h"
#include "core/context.h"
#include "core/utf.h"
#include "platform/win32/machine.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/text.h"

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

struct Machine : Win32Machine {
  RecordingList list;
  Context ctx{platform};
  ListSink shown{ctx, &list};
  Machine() { ctx.main.rows = &shown; }
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
  EXPECT_EQ(ReadRegValue(m.ctx, RegRoot::kLocalMachine, path, "Tag", RegValueKind::kText, Text("")),
            Text("thirty-two"));
  EXPECT_EQ(
      ReadRegValue(m.ctx, RegRoot::kLocalMachine, path, "AllOnes", RegValueKind::kNumber, Text("")),
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

// A .reg file's hex(2) line for `text` stored as REG_EXPAND_SZ.
std::string ExpandHex(std::wstring_view text) {
  std::string line = "hex(2):";
  char byte[4];
  for (size_t i = 0; i <= text.size(); ++i) {
    const wchar_t c = i < text.size() ? text[i] : L'\0';
    for (unsigned shift : {0u, 8u}) {
      std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned>((c >> shift) & 0xFF));
      line += (line.size() > 7 ? "," : "") + std::string(byte);
    }
  }
  return line;
}

// Imports a .reg file with Windows' own reg.exe and waits for it.
void RegImport(Machine& m, const std::string& content) {
  const std::string file = m.system.TempFolder() + "\\norvale-expand.reg";
  // reg.exe's own format, UTF-16LE with its mark: from a file in the ANSI
  // code page reg.exe takes hex(2) bytes as ANSI text.
  ASSERT_TRUE(m.files.WriteAll(file, "\xFF\xFE" + Utf8ToUtf16Le(content)));
  std::wstring command = L"reg.exe import \"" + Wide(file) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, &process));
  const FileHandle thread(process.hThread);
  const FileHandle owned(process.hProcess);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  ASSERT_EQ(code, 0u);
}

TEST(Win32Registry, ExpandableTextIsReadExpandedLikeTheShell) {
  Machine m;
  ASSERT_TRUE(SetEnvironmentVariableW(L"NORVALE_TEST_HOME", L"C:\\Users\\伊藤"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"NORVALE_TEST_LONG", std::wstring(200, L'y').c_str()));
  const std::wstring long_tail(260, L'x');
  RegImport(m,
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\NorvaleExpandTest]\r\n"
            "\"Home\"=" +
                ExpandHex(L"%NORVALE_TEST_HOME%\\data") +
                "\r\n"
                "\"Unset\"=" +
                ExpandHex(L"%NORVALE_NOT_SET%\\x") +
                "\r\n"
                // 259 characters as stored, 251 once expanded: it fits.
                "\"FitsOnceExpanded\"=" +
                ExpandHex(L"%NORVALE_TEST_HOME%" + long_tail.substr(0, 240)) +
                "\r\n"
                // 38 characters as stored, 400 once expanded: it does not.
                "\"TooLongOnceExpanded\"=" +
                ExpandHex(L"%NORVALE_TEST_LONG%%NORVALE_TEST_LONG%") + "\r\n");
  const auto raw = m.registry.QueryValue(RegRoot::kCurrentUser, "Software\\NorvaleExpandTest",
                                         "Home", platform::RegView::kDefault);
  ASSERT_TRUE(raw);
  ASSERT_EQ(raw->type, platform::kRegExpandSz) << "reg import stored another type";

  struct Case {
    const char* name;
    Value want;
  };
  for (const Case& c :
       {Case{"Home", Text("C:\\Users\\伊藤\\data")}, Case{"Unset", Text("%NORVALE_NOT_SET%\\x")},
        Case{"FitsOnceExpanded", Text("C:\\Users\\伊藤" + std::string(240, 'x'))},
        Case{"TooLongOnceExpanded", Text("default")}}) {
    EXPECT_EQ(ReadRegValue(m.ctx, RegRoot::kCurrentUser, "Software\\NorvaleExpandTest", c.name,
                           RegValueKind::kText, Text("default")),
              c.want)
        << c.name;
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\NorvaleExpandTest");
}

}  // namespace
}  // namespace norvale::win32
