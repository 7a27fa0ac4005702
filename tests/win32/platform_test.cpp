// The Windows layer against the real system (run under Wine in CI).
#include <windows.h>

#include <gtest/gtest.h>

#include "core/profile.h"
#include "core/utf.h"
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

struct Windows {
  Win32Registry registry;
  Win32System system;
  Win32Locale locale;
  Win32Files files;
  Win32Wmi wmi;
  Win32LocalSecurity security;
  MainWindow window{GetModuleHandleW(nullptr)};
  Win32Hardware hardware{[this] { return window.hwnd(); }};
  platform::Platform platform{registry, system, locale, files, window, hardware, wmi, security};
};

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
  EXPECT_EQ(ReadProfileString(w.platform, "setting", "savefolder", "", 1024, path), "C:\\Data\\Sites");
  EXPECT_EQ(ReadProfileString(w.platform, "setting", "SAVETYPE", "TSV", 1024, path), "CSV");
  EXPECT_EQ(ReadProfileString(w.platform, "other", "X", "", 1024, path), "1");
}

TEST(Win32Profile, WindowsReadsWhatWeWrote) {
  Windows w;
  const std::string path = ScratchFolder(w, "profile") + "\\ours.ini";
  ASSERT_TRUE(w.files.WriteAll(path, "; note\r\n[Setting]\r\n autosave = 0 \r\n[REGISTRY]\r\n01=a\r\n"));
  ASSERT_TRUE(SetINIValue(w.platform, "1", "AUTOSAVE", "SETTING", path));
  ASSERT_TRUE(SetINIValue(w.platform, "30", "SAVETIME", "SETTING", path));
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

}  // namespace
}  // namespace norvale::win32
