// The Windows side of the fleet's OS layer where Windows differs: the console
// and redirected output, extended and UNC paths, device names.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <ostream>
#include <string>

#include "fleet/system/files.h"
#include "platform/win32/fleet/console_stream.h"
#include "platform/win32/fleet/wide_text.h"

namespace norvale::fleet::win32 {
namespace {

// A fresh folder under %TEMP%, by its extended path; removed afterwards.
class WideScratch {
 public:
  WideScratch() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = ExtendedPath(WideToUtf8(temp) + "norvale-win32-" + std::to_string(GetTickCount64()) +
                         "-" + std::to_string(GetCurrentProcessId()));
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~WideScratch() { RemoveTree(path_); }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
  std::string utf8() const { return WideToUtf8(path_); }

 private:
  static void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(path);
        } else {
          DeleteFileW(path.c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
  }
  std::wstring path_;
};

void WriteWide(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << WideToUtf8(path);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadWide(const std::wstring& path) {
  const FileContent content = ReadRegularFile(WideToUtf8(path), 1 << 20);
  EXPECT_EQ(content.status, FileContent::Status::kRead) << content.error;
  return content.bytes;
}

TEST(ExtendedPath, DrivesUncAndResolvedNames) {
  const struct {
    const char* path;
    const wchar_t* want;
  } cases[] = {
      {"C:\\share\\PC-01.tsv", L"\\\\?\\C:\\share\\PC-01.tsv"},
      {"C:/share/./sub/../資産.tsv", L"\\\\?\\C:\\share\\資産.tsv"},
      {"\\\\fileserver\\資産\\norvale", L"\\\\?\\UNC\\fileserver\\資産\\norvale"},
      {"//fileserver/share/x.tsv", L"\\\\?\\UNC\\fileserver\\share\\x.tsv"},
      {"\\\\?\\C:\\already", L"\\\\?\\C:\\already"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtendedPath(c.path), c.want) << c.path;
}

TEST(IsOnNetworkFileSystem, UncPathsAreAndLocalDrivesAreNot) {
  EXPECT_TRUE(IsOnNetworkFileSystem("\\\\fileserver\\資産\\norvale\\fleet.sqlite"));
  EXPECT_TRUE(IsOnNetworkFileSystem("\\\\?\\UNC\\fileserver\\share\\fleet.sqlite"));
  EXPECT_FALSE(IsOnNetworkFileSystem("C:\\fleet.sqlite"));
}

// A user's temporary folder may hold letters outside the ANSI code page
// (a Japanese user name on an English system): the C runtime still opens the
// file by the name it is given.
TEST(CreateTemporaryFileForCLibraryWin32, ATemporaryFolderOutsideTheCodePage) {
  WideScratch scratch;
  const std::wstring folder = scratch / L"資産 一時";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  wchar_t saved[MAX_PATH + 1] = {};
  const bool had_tmp = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1) > 0;
  SetEnvironmentVariableW(L"TMP", (folder + L"\\").c_str());
  std::string path;
  try {
    path = CreateTemporaryFileForCLibrary(".xlsx");
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what();
  }
  SetEnvironmentVariableW(L"TMP", had_tmp ? saved : nullptr);
  ASSERT_FALSE(path.empty());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  EXPECT_GE(std::fputs("PK", file), 0);
  std::fclose(file);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\*.xlsx").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no file in the folder";
  EXPECT_EQ(found.nFileSizeLow, 2u);
  EXPECT_FALSE(FindNextFileW(search, &found)) << "a second file";
  FindClose(search);
}

TEST(ReadRegularFileWin32, DeviceNamesLongPathsAndDevices) {
  WideScratch folder;
  // Names that are devices in a plain path, and a path past MAX_PATH.
  std::wstring deep = folder / std::wstring(120, L'd');
  CreateDirectoryW(deep.c_str(), nullptr);
  deep += L"\\" + std::wstring(120, L'e');
  ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  const std::wstring files[] = {folder / L"CON.tsv", folder / L"NUL.tsv",
                                deep + L"\\日本語の長いパス.tsv"};
  for (const std::wstring& file : files) {
    ASSERT_GT(file.size(), 4u);
    WriteWide(file, "Header\r\n");
    EXPECT_EQ(ReadWide(file), "Header\r\n") << WideToUtf8(file);
  }
  EXPECT_GT(files[2].size(), 260u);
  const FolderListing listing = ListFolder(WideToUtf8(deep), LastLink::kRefuse);
  ASSERT_TRUE(listing.listed) << listing.error;
  ASSERT_EQ(listing.entries.size(), 1u);
  EXPECT_EQ(listing.entries[0].name, "日本語の長いパス.tsv");
  EXPECT_EQ(listing.entries[0].kind, EntryKind::kFile);

  EXPECT_EQ(ReadRegularFile("\\\\.\\NUL", 100, LastLink::kFollow).status,
            FileContent::Status::kNotRegular);
}

TEST(ListFolderWin32, SymbolicLinksAreNeverFollowed) {
  WideScratch folder;
  CreateDirectoryW((folder / L"real").c_str(), nullptr);
  WriteWide(folder / L"real\\A.tsv", "a");
  if (!CreateSymbolicLinkW((folder / L"loop").c_str(), (folder / L"real").c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    GTEST_SKIP() << "no symbolic links here: " << SystemMessage(GetLastError());
  }
  const FolderListing listing = ListFolder(folder.utf8(), LastLink::kFollow);
  ASSERT_TRUE(listing.listed) << listing.error;
  for (const FolderEntry& entry : listing.entries) {
    EXPECT_EQ(entry.kind, entry.name == "loop" ? EntryKind::kOther : EntryKind::kFolder)
        << entry.name;
  }
  EXPECT_FALSE(ListFolder(WideToUtf8(folder / L"loop"), LastLink::kRefuse).listed);
}

TEST(WholeCharactersPrefix, ACharacterCutAtTheEndWaits) {
  const struct {
    std::string text;
    std::size_t want;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {"a\xE8\xB3\x87", 4},  // 資 whole
      {"a\xE8\xB3", 1},      // 資 cut after two of three bytes
      {"a\xE8", 1},
      {"\xF0\x9F\x98", 0},  // a four-byte character cut
      {"\xF0\x9F\x98\x80", 4},
      {"\xC3\xA9", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(WholeCharactersPrefix(c.text), c.want) << c.text;
}

// Redirected output: a file written from its start begins with the
// byte-order mark, a file appended to and a pipe do not; the UTF-8 text is
// exact, whatever the code page.
TEST(HandleStreamBuffer, RedirectedOutputIsUtf8) {
  WideScratch folder;
  const std::string text = "PC-01\t資産\tcafé\n";
  {
    HANDLE file = CreateFileW((folder / L"out.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
      HandleStreamBuffer buffer(file);
      EXPECT_FALSE(buffer.console());
      std::ostream out(&buffer);
      // A character split over two writes with a flush between them.
      out << text.substr(0, 8) << std::flush << text.substr(8) << std::flush;
    }
    CloseHandle(file);
  }
  EXPECT_EQ(ReadWide(folder / L"out.txt"), "\xEF\xBB\xBF" + text);

  {
    HANDLE file = CreateFileW((folder / L"out.txt").c_str(), FILE_APPEND_DATA, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFilePointer(file, 0, nullptr, FILE_END);
    {
      HandleStreamBuffer buffer(file);
      std::ostream(&buffer) << "more\n";
    }
    CloseHandle(file);
  }
  EXPECT_EQ(ReadWide(folder / L"out.txt"), "\xEF\xBB\xBF" + text + "more\n");

  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 1 << 16));
  {
    HandleStreamBuffer buffer(write_end);
    std::ostream(&buffer) << text;
  }
  CloseHandle(write_end);
  std::string piped(256, '\0');
  DWORD got = 0;
  ReadFile(read_end, piped.data(), static_cast<DWORD>(piped.size()), &got, nullptr);
  CloseHandle(read_end);
  piped.resize(got);
  EXPECT_EQ(piped, text);
}

}  // namespace
}  // namespace norvale::fleet::win32
