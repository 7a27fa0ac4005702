// The fleet's OS layer, through its interface only: the same cases pass on
// Linux and, built with MinGW, under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "fleet/common/timestamps.h"
#include "fleet/system/clock.h"
#include "fleet/system/code_pages.h"
#include "fleet/system/files.h"
#include "fleet/system/limited_read.h"

namespace norvale::fleet {
namespace {

namespace fs = std::filesystem;

// UTF-8 text as a path on either system (a plain std::string is the ANSI
// code page on Windows).
fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("norvale-system-test-" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return Utf8Of(path_ / PathOf(name)); }
  std::string path() const { return Utf8Of(path_); }

 private:
  fs::path path_;
};

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

using Status = FileContent::Status;

TEST(ReadRegularFile, WholeFilesWithinTheLimit) {
  ScratchFolder folder;
  const std::string japanese = "資産台帳-" + std::string(200, 'x') + ".tsv";
  struct Case {
    std::string name;
    std::string bytes;
    std::uint64_t limit;
    Status want;
  } cases[] = {
      {"PC-01.tsv", "Header\r\nline\r\n", 1000, Status::kRead},
      {"empty.tsv", "", 1000, Status::kRead},
      {"exact.tsv", std::string(64, 'a'), 64, Status::kRead},
      {"over.tsv", std::string(65, 'a'), 64, Status::kTooBig},
      {"big.tsv", std::string(300000, 'b'), 299999, Status::kTooBig},
      {"big-ok.tsv", std::string(300000, 'b'), 300000, Status::kRead},
      // A name outside every ANSI code page, long enough that the whole path
      // passes 260 characters on Windows.
      {japanese, "x\ty", 1000, Status::kRead},
  };
  for (const Case& c : cases) {
    Write(folder / c.name, c.bytes);
    const FileContent content = ReadRegularFile(folder / c.name, c.limit);
    EXPECT_EQ(content.status, c.want) << c.name << ": " << content.error;
    EXPECT_EQ(content.bytes, c.want == Status::kRead ? c.bytes : "") << c.name;
    if (c.want == Status::kRead) {
      // The modification time is the file's own, read from the opened file.
      const auto written = fs::last_write_time(PathOf(folder / c.name));
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
          std::chrono::file_clock::to_sys(written).time_since_epoch());
      EXPECT_NEAR(static_cast<double>(content.modified), static_cast<double>(seconds.count()), 1)
          << c.name;
    }
  }
}

TEST(ReadRegularFile, NothingButRegularFiles) {
  ScratchFolder folder;
  fs::create_directories(PathOf(folder / "sub.tsv"));
  const FileContent missing = ReadRegularFile(folder / "missing.tsv", 1000);
  EXPECT_EQ(missing.status, Status::kFailed);
  EXPECT_FALSE(missing.error.empty());
  EXPECT_EQ(ReadRegularFile(folder / "sub.tsv", 1000).status, Status::kNotRegular);
}

// The size seen when the file was opened is only a hint: a file that grows
// while it is read stops one byte past the limit, one that shrank ends early.
TEST(ReadWithinLimit, TheSizeAtOpeningIsOnlyAHint) {
  const struct {
    std::uint64_t hint;
    std::size_t actual;
    std::uint64_t limit;
    std::int64_t fail_after;  // bytes handed out before a read fails; -1 never
    Status want;
  } cases[] = {
      {100, 100, 100, -1, Status::kRead},
      {10, 100, 100, -1, Status::kRead},          // grew, still within
      {10, 200000, 100000, -1, Status::kTooBig},  // grew past the limit
      {100, 40, 100, -1, Status::kRead},          // shrank
      {101, 101, 100, -1, Status::kTooBig},       // too big when opened
      {0, 0, 0, -1, Status::kRead},
      {100, 100, 100, 50, Status::kFailed},
  };
  for (const auto& c : cases) {
    std::size_t handed = 0;
    std::string bytes = "stale";
    const Status status = ReadWithinLimit(
        c.hint, c.limit,
        [&](char* into, std::size_t size) -> std::int64_t {
          if (c.fail_after >= 0 && handed >= static_cast<std::size_t>(c.fail_after)) return -1;
          const std::size_t n = std::min({size, c.actual - handed, std::size_t{7000}});
          std::fill(into, into + n, 'x');
          handed += n;
          return static_cast<std::int64_t>(n);
        },
        bytes);
    EXPECT_EQ(status, c.want) << c.hint << " " << c.actual;
    EXPECT_EQ(bytes, status == Status::kRead ? std::string(c.actual, 'x') : "");
    EXPECT_LE(handed, c.limit + 1) << "read past the limit";
  }
}

TEST(ListFolder, KindsNamesAndOneIdentityPerFolder) {
  ScratchFolder folder;
  Write(folder / "A.tsv", "a");
  Write(folder / "ファイル.csv", "b");
  fs::create_directories(PathOf(folder / "sub"));
  const FolderListing listing = ListFolder(folder.path(), LastLink::kFollow);
  ASSERT_TRUE(listing.listed) << listing.error;
  std::map<std::string, EntryKind> kinds;
  for (const FolderEntry& entry : listing.entries) kinds[entry.name] = entry.kind;
  EXPECT_EQ(kinds, (std::map<std::string, EntryKind>{{"A.tsv", EntryKind::kFile},
                                                     {"ファイル.csv", EntryKind::kFile},
                                                     {"sub", EntryKind::kFolder}}));
  // Another path to the same folder is the same folder; its subfolder is not.
  const FolderListing again = ListFolder(JoinPath(folder / "sub", ".."), LastLink::kRefuse);
  ASSERT_TRUE(again.listed) << again.error;
  EXPECT_EQ(again.identity, listing.identity);
  const FolderListing sub = ListFolder(folder / "sub", LastLink::kRefuse);
  ASSERT_TRUE(sub.listed) << sub.error;
  EXPECT_NE(sub.identity, listing.identity);
  EXPECT_TRUE(sub.entries.empty());

  const FolderListing file = ListFolder(folder / "A.tsv", LastLink::kFollow);
  EXPECT_FALSE(file.listed);
  EXPECT_FALSE(file.error.empty());
  EXPECT_EQ(KindOfPath(folder / "A.tsv"), PathKind::kFile);
  EXPECT_EQ(KindOfPath(folder / "sub"), PathKind::kFolder);
  EXPECT_EQ(KindOfPath(folder / "none"), PathKind::kMissing);
}

TEST(ReplaceFileAtomically, ReplacesTheWholeFileAndLeavesNothingBeside) {
  ScratchFolder folder;
  const std::string page = folder / "報告.html";
  Write(page, "old page, longer than the new one");
  ReplaceFileAtomically(page, "new");
  EXPECT_EQ(ReadRegularFile(page, 100).bytes, "new");
  ReplaceFileAtomically(page, "");
  EXPECT_EQ(ReadRegularFile(page, 100).bytes, "");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(PathOf(folder.path()))) {
    ++files;
    EXPECT_EQ(Utf8Of(entry.path().filename()), "報告.html");
  }
  EXPECT_EQ(files, 1);
  EXPECT_THROW(ReplaceFileAtomically(folder / "no-such-folder/x.html", "x"), std::runtime_error);
}

// A Japanese name (not in the ANSI code page of a Western Windows) is made
// as it is named, with every folder above it.
TEST(CreateFolders, EveryMissingFolderOfAUtf8Path) {
  ScratchFolder folder;
  const std::string pages = JoinPath(folder / "報告", "computers");
  CreateFolders(pages);
  CreateFolders(pages);  // there already
  EXPECT_EQ(KindOfPath(pages), PathKind::kFolder);
  EXPECT_TRUE(fs::is_directory(PathOf(folder / "報告")));
  ReplaceFileAtomically(JoinPath(pages, "pc-01.html"), "page");
  EXPECT_EQ(ReadRegularFile(JoinPath(pages, "pc-01.html"), 100).bytes, "page");
  Write(folder / "ファイル", "a file where a folder would go");
  EXPECT_THROW(CreateFolders(JoinPath(folder / "ファイル", "sub")), std::runtime_error);
}

TEST(CreateTemporaryFileForCLibrary, NewEmptyFilesTheCRuntimeOpens) {
  const std::string first = CreateTemporaryFileForCLibrary(".xlsx");
  const std::string second = CreateTemporaryFileForCLibrary(".xlsx");
  EXPECT_NE(first, second);
  for (const std::string& path : {first, second}) {
    ASSERT_GT(path.size(), 5u);
    EXPECT_EQ(path.substr(path.size() - 5), ".xlsx");
    // Opened by its narrow name, as a C library does.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr) << path;
    EXPECT_EQ(std::fgetc(file), EOF) << "not empty: " << path;
    std::fclose(file);
    EXPECT_EQ(std::remove(path.c_str()), 0) << path;
  }
}

TEST(IsOnNetworkFileSystem, LocalFoldersAreNot) {
  ScratchFolder folder;
  EXPECT_FALSE(IsOnNetworkFileSystem(folder / "fleet.sqlite"));
  EXPECT_FALSE(IsOnNetworkFileSystem("fleet.sqlite"));
}

TEST(FileNameOf, LastComponent) {
  EXPECT_EQ(FileNameOf(JoinPath(JoinPath("share", "sub"), "B.tsv")), "B.tsv");
  EXPECT_EQ(FileNameOf("B.tsv"), "B.tsv");
}

TEST(UtcTimestamp, CalendarAroundTheEpochAndLeapDays) {
  const struct {
    std::int64_t seconds;
    const char* want;
  } cases[] = {
      {0, "1970-01-01 00:00:00"},          {-1, "1969-12-31 23:59:59"},
      {951782400, "2000-02-29 00:00:00"},  {1796774399, "2026-12-08 23:59:59"},
      {4102444800, "2100-01-01 00:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(UtcTimestamp(c.seconds), c.want) << c.seconds;
}

TEST(LocalUtcOffset, AWholeNumberOfQuarterHoursWithinADay) {
  for (const std::int64_t at : {0LL, 1796774399LL, 1782000000LL}) {
    const std::int64_t offset = LocalUtcOffset(at);
    EXPECT_EQ(offset % 900, 0) << at;
    EXPECT_LE(offset < 0 ? -offset : offset, 14 * 3600) << at;
  }
}

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// The bytes 0xA0 to 0xFF, between ASCII letters, where Windows-1252 is
// Latin-1 (the code point is the byte), and their UTF-8.
std::string LatinOneBytes() {
  std::string bytes;
  for (int byte = 0xA0; byte <= 0xFF; ++byte) bytes += {'x', static_cast<char>(byte)};
  return bytes;
}
std::string LatinOneUtf8() {
  std::string utf8;
  for (int code = 0xA0; code <= 0xFF; ++code) {
    utf8 += {'x', static_cast<char>(0xC0 | code >> 6), static_cast<char>(0x80 | (code & 0x3F))};
  }
  return utf8;
}

// Both systems' converters must agree byte for byte, refusals included.
TEST(CodePages, DecodeTheSameOnEverySystem) {
  const struct {
    CodePage page;
    std::string bytes;
    std::string want;  // UTF-8 appended
    std::size_t bad;   // offset of the first byte that does not decode
  } cases[] = {
      {CodePage::kWindows1252, "caf\xE9 \x80 \x9F", "café € Ÿ", std::string_view::npos},
      {CodePage::kWindows1252, "ok\x81rest", "ok", 2},
      {CodePage::kWindows1252, "\x8D", "", 0},
      {CodePage::kWindows1252, "ab\x8F", "ab", 2},
      {CodePage::kWindows1252, "\x90", "", 0},
      {CodePage::kWindows1252, "x\x9D", "x", 1},
      {CodePage::kShiftJis, "\x83\x5C\x83\x74\x83\x67 \xB1", "ソフト ｱ", std::string_view::npos},
      // NEC and IBM extensions as Windows has them.
      {CodePage::kShiftJis, "\x87\x40\xFA\x40", "①ⅰ", std::string_view::npos},
      {CodePage::kShiftJis, "AB\x82", "AB", 2},    // a lead byte without its second byte
      {CodePage::kShiftJis, "A\x81\x20", "A", 1},  // no character has this second byte
      {CodePage::kShiftJis, "", "", std::string_view::npos},
      // Long texts: where the bad byte lies after much that decodes, on
      // either side of a character that spans some round offset.
      {CodePage::kShiftJis, Repeat("\x83\x5C", 3000) + "\x81\x20", Repeat("ソ", 3000), 6000},
      {CodePage::kShiftJis, std::string(1024, 'a') + "\x81\x20" + std::string(9, 'b'),
       std::string(1024, 'a'), 1024},
      {CodePage::kShiftJis, std::string(1023, 'a') + "\x83\x5C" + std::string(500, 'b') + "\x82",
       std::string(1023, 'a') + "ソ" + std::string(500, 'b'), 1525},
      {CodePage::kShiftJis, std::string(4095, 'a') + "\x83\x5C\x83", std::string(4095, 'a') + "ソ",
       4097},
      {CodePage::kShiftJis, Repeat("\x83\x5C", 2000) + "\x87\x40", Repeat("ソ", 2000) + "①",
       std::string_view::npos},
      {CodePage::kWindows1252, Repeat("\xE9", 5000) + "\x9D", Repeat("é", 5000), 5000},
      {CodePage::kWindows1252, LatinOneBytes(), LatinOneUtf8(), std::string_view::npos},
  };
  for (const auto& c : cases) {
    std::string out = "=";
    EXPECT_EQ(DecodeCodePage(c.bytes, c.page, out), c.bad) << c.want;
    EXPECT_EQ(out, "=" + c.want);
  }
}

TEST(CodePages, EncodeOnlyWhatTheCodePageHolds) {
  const struct {
    CodePage page;
    std::string utf8;
    bool ok;
    std::string want;
  } cases[] = {
      {CodePage::kWindows1252, "café €", true, "caf\xE9 \x80"},
      {CodePage::kWindows1252, "ソフト", false, ""},
      {CodePage::kWindows1252, "\xC2\x81", false, ""},  // U+0081, undefined in 1252
      {CodePage::kWindows1252, "ā", false, ""},         // no best fit to "a"
      {CodePage::kShiftJis, "ソフト①", true, "\x83\x5C\x83\x74\x83\x67\x87\x40"},
      {CodePage::kShiftJis, "é", false, ""},
      {CodePage::kShiftJis, "\xFF", false, ""},  // not UTF-8
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(EncodeCodePage(c.utf8, c.page, out), c.ok) << c.utf8;
    if (c.ok) {
      EXPECT_EQ(out, c.want) << c.utf8;
    }
  }
}

}  // namespace
}  // namespace norvale::fleet
