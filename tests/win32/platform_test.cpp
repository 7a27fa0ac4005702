// The Windows layer against the real system (run under Wine in CI).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "core/profile.h"
#include "core/utf.h"
#include "platform/win32/machine.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

using Windows = Win32Machine;

std::string ScratchFolder(Windows& w, const char* name) {
  const std::string folder = w.system.TempFolder() + "\\norvale-test-" + name;
  CreateDirectoryW(Wide(folder).c_str(), nullptr);
  return folder;
}

TEST(Win32Profile, OurReaderReadsWhatWindowsWrote) {
  Windows w;
  const std::string path = ScratchFolder(w, "profile") + "\\written.ini";
  DeleteFileW(Wide(path).c_str());
  ASSERT_TRUE(WritePrivateProfileStringW(L"Other", L"x", L"1", Wide(path).c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"SETTING", L"SAVEFOLDER", L"C:\\Data\\Sites",
                                         Wide(path).c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"SETTING", L"SAVETYPE", L"CSV", Wide(path).c_str()));
  EXPECT_EQ(ReadProfileString(w.platform, "setting", "savefolder", "", 1024, path),
            "C:\\Data\\Sites");
  EXPECT_EQ(ReadProfileString(w.platform, "setting", "SAVETYPE", "TSV", 1024, path), "CSV");
  EXPECT_EQ(ReadProfileString(w.platform, "other", "X", "", 1024, path), "1");
}

TEST(Win32Profile, WindowsReadsWhatWeWrote) {
  Windows w;
  const std::string path = ScratchFolder(w, "profile") + "\\ours.ini";
  ASSERT_TRUE(
      w.files.WriteAll(path, "; note\r\n[Setting]\r\n autosave = 0 \r\n[REGISTRY]\r\n01=a\r\n"));
  ASSERT_TRUE(SetINIValue(w.platform, "SETTING", "AUTOSAVE", "1", path));
  ASSERT_TRUE(SetINIValue(w.platform, "SETTING", "SAVETIME", "30", path));
  wchar_t value[64] = {};
  GetPrivateProfileStringW(L"setting", L"AUTOSAVE", L"?", value, 64, Wide(path).c_str());
  EXPECT_EQ(Utf8(value), "1");
  GetPrivateProfileStringW(L"SETTING", L"SAVETIME", L"?", value, 64, Wide(path).c_str());
  EXPECT_EQ(Utf8(value), "30");
  GetPrivateProfileStringW(L"REGISTRY", L"01", L"?", value, 64, Wide(path).c_str());
  EXPECT_EQ(Utf8(value), "a");
  EXPECT_TRUE(w.files.ReadAll(path)->starts_with("; note\r\n"));
  // A quoted value reads the same both ways.
  ASSERT_TRUE(w.files.WriteAll(path, "[setting]\r\nSAVEFOLDER=\"C:\\x y\"\r\n"));
  GetPrivateProfileStringW(L"setting", L"SAVEFOLDER", L"?", value, 64, Wide(path).c_str());
  EXPECT_EQ(ReadProfileString(w.platform, "setting", "SAVEFOLDER", "", 1024, path), Utf8(value));
}

TEST(Win32Files, TempFileCopyReplaceDelete) {
  Windows w;
  const std::string folder = ScratchFolder(w, "files");
  const std::string temp = w.files.CreateTempFile(w.system.TempFolder(), "~Norvale");
  EXPECT_NE(temp.find("~No"), std::string::npos);
  EXPECT_TRUE(w.files.FileExists(temp));
  {
    auto writer = w.files.OpenAppend(temp);
    writer->Write("a\r\n");
    writer->Write("b\r\n");
    writer->Close();
  }
  const std::string target = folder + "\\result.tsv";
  w.files.WriteAll(target, "old");
  w.files.Copy(temp, target + ".part");
  w.files.Replace(target + ".part", target);
  EXPECT_EQ(w.files.ReadAll(target), "a\r\nb\r\n");
  EXPECT_FALSE(w.files.FileExists(target + ".part"));
  w.files.Remove(temp);
  EXPECT_FALSE(w.files.FileExists(temp));
  EXPECT_NO_THROW(w.files.Remove(temp));  // already gone is not a failure
  EXPECT_THROW(w.files.Copy(temp, target), Failure);
  EXPECT_THROW(w.files.Copy(target, folder + "\\missing\\x.tsv"), Failure);
  EXPECT_TRUE(w.files.FolderExists(folder));
}

TEST(Win32System, FoldersNamesAndLocale) {
  Windows w;
  EXPECT_FALSE(w.system.ComputerName().empty());
  EXPECT_FALSE(w.system.ProgramFolder().empty());
  EXPECT_NE(w.system.ProgramFolder().back(), '\\');
  EXPECT_TRUE(w.files.FolderExists(w.system.TempFolder()));
  EXPECT_FALSE(w.system.SpecialFolderPath(platform::SpecialFolder::kFonts).empty());
  const LocalDateTime now = w.system.Now();
  EXPECT_GE(now.date.year, 2020);
  EXPECT_FALSE(w.locale.ShortDate(now.date).empty());
  EXPECT_FALSE(w.locale.TimeText(now.time).empty());
  EXPECT_EQ(w.locale.FromAnsi(w.locale.ToAnsi("Norvale 1.3")), "Norvale 1.3");
  EXPECT_TRUE(w.locale.SystemCountryName().has_value());
  EXPECT_FALSE(w.system.EnvironmentBlock().empty());
}

TEST(Win32Registry, ViewsAndValueTypes) {
  Windows w;
  HKEY key = nullptr;
  const wchar_t* path = L"Software\\NorvaleTest";
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  const DWORD all_ones = 0xFFFFFFFF;
  RegSetValueExW(key, L"dw", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&all_ones), 4);
  const wchar_t text[] = L"日本語 text";
  RegSetValueExW(key, L"sz", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  HKEY sub = nullptr;
  RegCreateKeyExW(key, L"child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
  RegCloseKey(sub);
  RegCloseKey(key);

  const auto dw = w.registry.QueryValue(platform::RegRoot::kCurrentUser, "Software\\NorvaleTest",
                                        "dw", platform::RegView::kDefault);
  ASSERT_TRUE(dw);
  EXPECT_EQ(dw->type, platform::kRegDword);
  EXPECT_EQ(dw->data.size(), 4u);
  const auto sz = w.registry.QueryValue(platform::RegRoot::kCurrentUser, "Software\\NorvaleTest",
                                        "sz", platform::RegView::k64);
  ASSERT_TRUE(sz);
  EXPECT_EQ(CutAtNul(Utf16LeToUtf8(std::string(sz->data.begin(), sz->data.end()))), "日本語 text");
  EXPECT_FALSE(w.registry.QueryValue(platform::RegRoot::kCurrentUser, "Software\\NorvaleTest",
                                     "missing", platform::RegView::kDefault));
  const auto subkeys = w.registry.EnumSubkeys(platform::RegRoot::kCurrentUser,
                                              "Software\\NorvaleTest", platform::RegView::k64);
  ASSERT_TRUE(subkeys);
  EXPECT_EQ(*subkeys, std::vector<std::string>{"child"});
  EXPECT_FALSE(w.registry.EnumSubkeys(platform::RegRoot::kCurrentUser, "Software\\NoSuchKeyHere",
                                      platform::RegView::k64));
  RegDeleteTreeW(HKEY_CURRENT_USER, path);
}

TEST(Win32Registry, ASubkeyListThatFailsPartWayIsAFailure) {
  const wchar_t* path = L"Software\\NorvaleTest\\Walk";
  for (const wchar_t* child : {L"a", L"b"}) {
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(path) + L"\\" + child).c_str(), 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(sub);
  }
  KeyHandle walk;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ENUMERATE_SUB_KEYS, walk.put()),
            ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(walk.get()), (std::vector<std::string>{"a", "b"}));
  // Deleted under the open handle: the walk must not pass for an empty list.
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
  try {
    const auto names = SubkeyNames(walk.get());
    ADD_FAILURE() << "listed " << names.size() << " names of a deleted key";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), ERROR_KEY_DELETED);
    EXPECT_FALSE(failure.description().empty());
  }
}

TEST(Win32System, ExpandsDefinedVariablesOnly) {
  Windows w;
  ASSERT_TRUE(SetEnvironmentVariableW(L"NORVALE_TEST_DIR", L"D:\\Daten\\日本"));
  SetEnvironmentVariableW(L"NORVALE_UNSET", nullptr);
  struct Case {
    const char* text;
    const char* want;
  };
  for (const Case& c :
       {Case{"%NORVALE_TEST_DIR%\\x", "D:\\Daten\\日本\\x"},
        Case{"%norvale_test_dir%", "D:\\Daten\\日本"},
        Case{"%NORVALE_UNSET%\\y", "%NORVALE_UNSET%\\y"}, Case{"plain", "plain"}, Case{"", ""}}) {
    EXPECT_EQ(w.system.ExpandEnvironmentText(c.text), c.want) << c.text;
  }
  // Longer than any first guess of the buffer.
  const std::string long_value(5000, 'v');
  SetEnvironmentVariableW(L"NORVALE_LONG", Wide(long_value).c_str());
  EXPECT_EQ(w.system.ExpandEnvironmentText("<%NORVALE_LONG%>"), "<" + long_value + ">");
}

TEST(Win32Files, VersionOfAFileInUseIsAFailureNotAnEmptyVersion) {
  Windows w;
  const std::string folder = ScratchFolder(w, "version");
  // A program with a version resource, a file without one.
  const std::string program = folder + "\\kernel-copy.dll";
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_TRUE(
      CopyFileW((std::wstring(system) + L"\\kernel32.dll").c_str(), Wide(program).c_str(), FALSE));
  const std::string text = folder + "\\notes.txt";
  ASSERT_TRUE(w.files.WriteAll(text, "no resources here\r\n"));
  const std::string empty = folder + "\\empty.bin";
  ASSERT_TRUE(w.files.WriteAll(empty, ""));

  const auto version = w.files.FileVersion(program);
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(std::count(version->begin(), version->end(), '.'), 3) << *version;
  EXPECT_EQ(w.files.FileVersion(text), std::string());
  EXPECT_EQ(w.files.FileVersion(empty), std::string());
  EXPECT_EQ(w.files.FileVersion(folder + "\\missing.dll"), std::nullopt);

  // Held open without sharing by another program (a backup, an installer).
  for (const std::string& path : {program, text}) {
    FileHandle held(CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    try {
      const auto got = w.files.FileVersion(path);
      ADD_FAILURE() << path << " gave \"" << got.value_or("nullopt") << "\"";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), ERROR_SHARING_VIOLATION) << path;
    }
  }
  EXPECT_EQ(w.files.FileVersion(program), version);  // and readable again once free
}

TEST(Win32System, AMissingDesktopIsAFailureNotAnEmptyFolder) {
  Windows w;
  const std::string desktop = w.system.SpecialFolderPath(platform::SpecialFolder::kDesktop);
  ASSERT_TRUE(w.files.FolderExists(desktop)) << desktop;
  // This runs in a throw-away prefix: the desktop goes away for a moment.
  const std::string aside = desktop + "-aside";
  ASSERT_TRUE(MoveFileW(Wide(desktop).c_str(), Wide(aside).c_str()));
  bool failed = false;
  try {
    const std::string got = w.system.SpecialFolderPath(platform::SpecialFolder::kDesktop);
    ADD_FAILURE() << "desktop without a folder gave \"" << got << "\"";
  } catch (const Failure& failure) {
    failed = true;
    EXPECT_NE(failure.number(), 0);
  }
  MoveFileW(Wide(aside).c_str(), Wide(desktop).c_str());
  EXPECT_TRUE(failed);
  EXPECT_EQ(w.system.SpecialFolderPath(platform::SpecialFolder::kDesktop), desktop);
}

}  // namespace
}  // namespace norvale::win32
