#include "fleet/load/result_file.h"

#include <gtest/gtest.h>

#include "fleet/common/timestamps.h"
#include "fleet/load/sha256.h"

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
    const ParsedResultFile parsed = ParseResultFile(c.bytes, std::nullopt);
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
  const ParsedResultFile parsed = ParseResultFile(bytes, std::nullopt);
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
