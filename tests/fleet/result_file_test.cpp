#include "fleet/load/result_file.h"

#include <gtest/gtest.h>

#include "fleet/common/sha256.h"
#include "fleet/common/timestamps.h"

namespace norvale::fleet {
namespace {

const std::string kHeaderTsv =
    "PC-01\tCreate\tDateTime\t2026/12/08\t9:05:01\tNorvale Ver 1.3.3\t2026/12/08\r\n";
const std::string kHeaderCsv =
    "PC-01,Create,DateTime,2026/12/08,9:05:01,Norvale Ver 1.3.3,2026/12/08\r\n";

TEST(ParseResultFile, RejectsBadFilesWithLineAndReason) {
  const std::string row = "PC-01\tHard\tCPU\tName\tIntel\t\t2026/12/08\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    int line;
    const char* reason_part;
  } cases[] = {
      {"empty", "", 0, "empty file"},
      {"binary", std::string("PK\x03\x04\0\0\x14", 7) + "zip", 0, "binary"},
      {"no header", row + row, 1, "no header row"},
      {"truncated", kHeaderTsv + row + "PC-01\tHard\tCPU", 3, "truncated"},
      {"field count", kHeaderTsv + row + "PC-01\tHard\tCPU\tName\r\n", 3,
       "wrong number of fields: 4"},
      {"unclosed quote", kHeaderCsv + "PC-01,Soft,Application,\"Tool,1.0,,2026/12/08\r\n", 2,
       "unclosed quote"},
      {"another computer", kHeaderTsv + row + "PC-02\tHard\tCPU\tName\tIntel\t\t2026/12/08\r\n", 3,
       "another computer: \"PC-02\""},
      {"bad windows-1252", kHeaderTsv + "PC-01\tSoft\tApplication\tA\x81\x8d\t\t\t2026/12/08\r\n",
       2, "not valid"},
  };
  for (const Case& c : cases) {
    const ParsedResultFile parsed = ParseResultFile(c.bytes);
    EXPECT_FALSE(parsed.file.has_value()) << c.name;
    EXPECT_EQ(parsed.rejection.line, c.line) << c.name;
    EXPECT_NE(parsed.rejection.reason.find(c.reason_part), std::string::npos)
        << c.name << ": " << parsed.rejection.reason;
  }
}

// Each limit: a file just within it is read, one byte or character over it is
// rejected with the line and the reason.
TEST(ParseResultFile, FieldLimits) {
  auto header = [](const std::string& computer, const std::string& date) {
    return computer + "\tCreate\tDateTime\t" + date + "\t9:05:01\tNorvale Ver 1.3.3\t" + date +
           "\r\n";
  };
  auto row = [](const std::string& computer, const std::string& contents) {
    return computer + "\tSoft\tApplication\tName\t" + contents + "\t\t2026/12/08\r\n";
  };
  std::string japanese_name;  // 63 characters, 189 bytes
  for (std::size_t i = 0; i < kMaxComputerNameCharacters; ++i) japanese_name += "名";
  const std::string long_name(kMaxComputerNameCharacters, 'N');
  const std::string date = "2026/12/08";
  std::string many_lines = header("PC-01", date);
  for (std::size_t i = 0; i < kMaxLines; ++i) many_lines += row("PC-01", "x");
  struct Case {
    const char* name;
    std::string bytes;
    int line;                 // 0: the file is read
    const char* reason_part;  // when rejected
  } cases[] = {
      {"longest name", header(long_name, date) + row(long_name, "x"), 0, ""},
      {"longest Japanese name", header(japanese_name, date) + row(japanese_name, "x"), 0, ""},
      {"name too long", header(long_name + "N", date), 1, "computer name longer than 63"},
      {"3,000-character name", header(std::string(3000, 'N'), date), 1, "computer name longer"},
      {"control character in the name",
       header("PC\x1b[2K", date) + row("PC-01", "x") + row("PC-01", "y"), 1, "control character"},
      {"longest field", header("PC-01", date) + row("PC-01", std::string(kMaxFieldBytes, 'v')), 0,
       ""},
      {"field too long", header("PC-01", date) + row("PC-01", std::string(kMaxFieldBytes + 1, 'v')),
       2, "field 5 longer than 65536 bytes"},
      {"header date too long", header("PC-01", std::string(kMaxHeaderFieldBytes + 1, '1')), 1,
       "header field 4 longer than 255"},
      {"too many lines", many_lines, static_cast<int>(kMaxLines) + 1, "more than 500000 lines"},
  };
  for (const Case& c : cases) {
    const ParsedResultFile parsed = ParseResultFile(c.bytes);
    if (c.line == 0) {
      EXPECT_TRUE(parsed.file.has_value()) << c.name << ": " << parsed.rejection.reason;
      continue;
    }
    EXPECT_FALSE(parsed.file.has_value()) << c.name;
    EXPECT_EQ(parsed.rejection.line, c.line) << c.name;
    EXPECT_NE(parsed.rejection.reason.find(c.reason_part), std::string::npos)
        << c.name << ": " << parsed.rejection.reason;
  }
}

TEST(ParseResultFile, SplitsHeaderAndFacts) {
  const std::string bytes =
      kHeaderCsv +
      "PC-01,Soft,Application,\"Tool, Pro\",2.0,\"Maker \"\"X\"\"\",2026/12/08\r\n"
      "PC-01,Soft,error,mApplication,5,Invalid procedure call or argument,2026/12/08\r\n";
  const ParsedResultFile parsed = ParseResultFile(bytes);
  ASSERT_TRUE(parsed.file) << parsed.rejection.reason;
  const ResultFile& f = *parsed.file;
  EXPECT_EQ(f.computer, "PC-01");
  EXPECT_EQ(f.run_date, "2026/12/08");
  EXPECT_EQ(f.run_time, "9:05:01");
  EXPECT_EQ(f.run_at, "2026-12-08 09:05:01");
  EXPECT_EQ(f.norvale_version, "1.3.3");
  ASSERT_EQ(f.facts.size(), 3u);
  EXPECT_EQ(f.facts[0].category, "Create");
  EXPECT_EQ(f.facts[1].line, 2);
  EXPECT_EQ(f.facts[1].subitem, "Tool, Pro");
  EXPECT_EQ(f.facts[1].unit, "Maker \"X\"");
  EXPECT_EQ(f.error_count, 1);
}

TEST(NormaliseRunAt, KnownFormats) {
  struct Case {
    const char* date;
    const char* time;
    const char* want;
  } cases[] = {
      {"2026/12/08", "13:05:09", "2026-12-08 13:05:09"},
      {"2026-1-2", "7:05", "2026-01-02 07:05:00"},
      {"12/8/2026", "1:05:09 PM", "2026-12-08 13:05:09"},
      {"12/8/2026", "12:00:00 AM", "2026-12-08 00:00:00"},
      {"25/12/2026", "10:00:00", "2026-12-25 10:00:00"},
      {"08.12.2026", "10:00:00", "2026-12-08 10:00:00"},
      {"12/8/26", "10:00", "2026-12-08 10:00:00"},
      {"2026/12/08", "午後 1:05:09", "2026-12-08 13:05:09"},
      {"2026/02/29", "10:00:00", ""},
      {"2028/02/29", "10:00:00", "2028-02-29 10:00:00"},
      {"2026/13/01", "10:00:00", ""},
      {"2026/12/08", "25:00:00", ""},
      {"2026/12/08", "13:00:00 PM", ""},
      {"Tuesday", "10:00:00", ""},
      {"2026/12", "10:00:00", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormaliseRunAt(c.date, c.time), c.want) << c.date << " " << c.time;
  }
}

// Header dates as each system's short-date format writes 5 January 2027, in
// a file written that day: every one reads as 5 January, the day-first "/"
// of the United Kingdom and France too.
TEST(NormaliseRunAt, ShortDateFormatsOfEachLocaleNearTheFileTime) {
  const std::int64_t written = *SecondNumber("2027-01-05 12:00:00");
  struct Case {
    const char* locale;
    const char* date;
    const char* time;
  } cases[] = {
      {"English (United States)", "1/5/2027", "9:30:00 AM"},
      {"English (United Kingdom)", "05/01/2027", "09:30:00"},
      {"French", "05/01/2027", "09:30:00"},
      {"German", "05.01.2027", "09:30:00"},
      {"Japanese", "2027/01/05", "9:30:00"},
      {"ISO", "2027-01-05", "09:30:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormaliseRunAt(c.date, c.time, written), "2027-01-05 09:30:00") << c.locale;
  }
}

// An ambiguous date takes the reading closest to the file's time and not
// after it (a day's slack for the time zone); an unambiguous one its only
// reading whatever the file's time.
TEST(NormaliseRunAt, AmbiguousDatesFollowTheFileTime) {
  struct Case {
    const char* date;
    const char* written;  // the file's modification time, UTC
    const char* want;
  } cases[] = {
      {"05/01/2027", "2027-01-05 12:00:00", "2027-01-05 10:00:00"},
      {"05/01/2027", "2027-05-01 12:00:00", "2027-05-01 10:00:00"},
      {"05/01/2027", "2027-09-30 12:00:00", "2027-05-01 10:00:00"},
      {"05/01/2027", "2026-12-31 12:00:00", "2027-01-05 10:00:00"},  // both after: the earlier
      {"05/01/2027", "2027-05-01 00:00:00", "2027-05-01 10:00:00"},  // local time ahead of UTC
      {"01/02/2027", "2027-01-31 23:30:00", "2027-02-01 10:00:00"},
      {"01/02/2027", "2027-01-20 12:00:00", "2027-01-02 10:00:00"},
      {"07/07/2027", "2027-01-01 12:00:00", "2027-07-07 10:00:00"},
      {"25/12/2026", "2027-01-05 12:00:00", "2026-12-25 10:00:00"},
      {"12/25/2026", "2027-01-05 12:00:00", "2026-12-25 10:00:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormaliseRunAt(c.date, "10:00:00", *SecondNumber(c.written)), c.want)
        << c.date << " written " << c.written;
  }
}

TEST(NotAResultFile, Names) {
  EXPECT_EQ(NotAResultFile("PC-01.tsv"), "");
  EXPECT_EQ(NotAResultFile("PC-01.CSV"), "");
  EXPECT_NE(NotAResultFile("PC-01.tsv.part"), "");
  EXPECT_NE(NotAResultFile("~Nor12.tmp"), "");
  EXPECT_NE(NotAResultFile("~Norvale1.tsv"), "");
  EXPECT_NE(NotAResultFile("notes.txt"), "");
}

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // Fed in pieces that straddle blocks, the digest is the same.
  const std::string text(200, 'x');
  Sha256 pieces;
  for (std::size_t i = 0; i < text.size(); i += 7)
    pieces.Update(std::string_view(text).substr(i, 7));
  EXPECT_EQ(pieces.HexDigest(), Sha256Hex(text));
}

}  // namespace
}  // namespace norvale::fleet
