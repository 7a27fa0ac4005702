#include "fleet/load/encoding.h"

#include <gtest/gtest.h>

#include "core/result_labels.h"
#include "fleet/load/result_file.h"
#include "tests/fleet/fleet_world.h"

namespace norvale::fleet::testing {
namespace {

TEST(DecodeResultFile, TellsEachFilesEncoding) {
  PcSpec ja;
  ja.japanese = true;
  ja.user = "山田";
  PcSpec western;
  western.user = "José Müller";
  PcSpec ascii;
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    const char* name;
    std::string bytes;
    Encoding want;
    std::string must_contain;
  } cases[] = {
      {"Japanese system", ResultBytes(ja), Encoding::kShiftJis, "ユーザー名\t山田"},
      {"Western system", ResultBytes(western), Encoding::kWindows1252, "José Müller"},
      {"UTF-8 with a mark", bom + ResultText(western), Encoding::kUtf8, "José Müller"},
      {"UTF-8 without a mark", ResultText(western), Encoding::kUtf8, "José Müller"},
      {"plain ASCII", ResultBytes(ascii), Encoding::kWindows1252, "WORKGROUP"},
      // Valid Shift_JIS by chance (é, ü pairs) but no Japanese labels: Western.
      {"Western text that decodes as Shift_JIS", Encode("Café Ä\r\n", CodePage::kWindows1252),
       Encoding::kWindows1252, "Café Ä"},
  };
  for (const Case& c : cases) {
    const DecodedText decoded = DecodeResultFile(c.bytes);
    ASSERT_TRUE(decoded.ok) << c.name;
    EXPECT_EQ(decoded.encoding, c.want) << c.name;
    EXPECT_NE(decoded.utf8().find(c.must_contain), std::string::npos) << c.name;
    EXPECT_NE(decoded.utf8().substr(0, 3), bom) << c.name;
  }
}

TEST(DecodeResultFile, NeverGuessesWhereBytesDoNotDecode) {
  PcSpec ja;
  ja.japanese = true;
  std::string damaged = ResultBytes(ja);
  // A lead byte followed by a byte no Shift_JIS character has, on line 3.
  const auto line3 = damaged.find("\r\n", damaged.find("\r\n") + 2) + 2;
  damaged.insert(line3, "\x81\x20");
  const DecodedText decoded = DecodeResultFile(damaged);
  EXPECT_FALSE(decoded.ok);
  EXPECT_EQ(decoded.encoding, Encoding::kShiftJis);
  EXPECT_EQ(decoded.bad_line, 3);

  const ParsedResultFile parsed = ParseResultFile(damaged);
  ASSERT_FALSE(parsed.file);
  EXPECT_EQ(parsed.rejection.line, 3);
  EXPECT_NE(parsed.rejection.reason.find("shift_jis"), std::string::npos);
}

TEST(DecodeResultFile, OneJapaneseLabelAnywhereInBytesThatDoNotDecodeMarksTheFileJapanese) {
  PcSpec western;
  western.user = "Zo\u00eb M\u00fcller \u00fc x";  // "\u00fc " is no Shift_JIS character
  const std::string bytes = ResultBytes(western);
  ASSERT_EQ(DecodeResultFile(bytes).encoding, Encoding::kWindows1252);
  const std::size_t first_accent = bytes.find('\xEB');
  ASSERT_NE(first_accent, std::string::npos);
  // Some labels begin with ASCII letters ("IP", "MAC"): they must be found too.
  const LabelPair labels[] = {kLabelPhysicalMemory, kLabelPagefile,  kLabelScreen,
                              kLabelTotal,          kLabelFree,      kLabelUse,
                              kLabelDriveType,      kLabelIpAddress, kLabelMacAddress,
                              kLabelDomain,         kLabelWorkGroup, kLabelUserName,
                              kLabelComputerName};
  for (const LabelPair& label : labels) {
    const std::string marker = Encode(label.japanese, CodePage::kShiftJis);
    const struct {
      const char* where;
      std::size_t at;
    } places[] = {{"first", 0}, {"after an accent", first_accent + 1}, {"last", bytes.size()}};
    for (const auto& place : places) {
      std::string damaged = bytes;
      damaged.insert(place.at, marker);
      const DecodedText decoded = DecodeResultFile(damaged);
      EXPECT_FALSE(decoded.ok) << label.english << ", " << place.where;
      EXPECT_EQ(decoded.encoding, Encoding::kShiftJis) << label.english << ", " << place.where;
    }
  }
}

TEST(DecodeResultFile, ForcedEncodingIsUsedOrTheFileRejected) {
  PcSpec western;
  western.user = "Zoë";
  const std::string bytes = ResultBytes(western);
  struct Case {
    Encoding forced;
    bool ok;
    std::string user;
  } cases[] = {
      {Encoding::kWindows1252, true, "Zoë"},
      {Encoding::kUtf8, false, ""},  // 0xEB alone is no UTF-8
  };
  for (const Case& c : cases) {
    const ParsedResultFile parsed = ParseResultFile(bytes, {c.forced, std::nullopt});
    ASSERT_EQ(parsed.file.has_value(), c.ok) << EncodingName(c.forced);
    if (!c.ok) continue;
    EXPECT_EQ(parsed.file->encoding, c.forced);
    bool found = false;
    for (const Fact& f : parsed.file->facts) found = found || f.contents == c.user;
    EXPECT_TRUE(found);
  }
}

// Bytes past U+10FFFF and five-byte forms are no UTF-8, with a byte order
// mark or without, detected or forced: the file is rejected at their line.
TEST(DecodeResultFile, ByteSequencesThatAreNoUtf8AreRejected) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::string header = "PC-01\tCreate\tDateTime\t2026/12/08\t9:05:01\tNorvale Ver 1.3\t\r\n";
  auto file = [&](const std::string& value) {
    return header + "PC-01\tSoft\tApplication\t" + value + "\t1.0\t\t2026/12/08\r\n";
  };
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<Encoding> forced;
  } cases[] = {
      {"past U+10FFFF, with a mark", bom + file("X\xF4\x90\x80\x80"), std::nullopt},
      {"past U+10FFFF, without", file("X\xF4\x90\x80\x80"), std::nullopt},
      {"five bytes, with a mark", bom + file("X\xF8\x88\x80\x80\x80"), std::nullopt},
      // Without a mark these bytes are good Windows-1252, read as such.
      {"five bytes, forced", file("X\xF8\x88\x80\x80\x80"), Encoding::kUtf8},
      {"surrogate, forced", file("X\xED\xA0\x80"), Encoding::kUtf8},
      {"overlong, forced", file("X\xC0\xAF"), Encoding::kUtf8},
  };
  for (const Case& c : cases) {
    const ParsedResultFile parsed = ParseResultFile(c.bytes, {c.forced, std::nullopt});
    EXPECT_FALSE(parsed.file.has_value()) << c.name;
    EXPECT_EQ(parsed.rejection.line, 2) << c.name;
    EXPECT_NE(parsed.rejection.reason.find("not valid"), std::string::npos) << c.name;
  }
}

// Bytes that are UTF-8 already are read where they are, not copied.
TEST(DecodeResultFile, Utf8IsNotCopied) {
  PcSpec western;
  western.user = "José";
  const std::string bom = "\xEF\xBB\xBF";
  for (const std::string& bytes :
       {bom + ResultText(western), ResultText(western), ResultBytes(PcSpec())}) {
    const DecodedText decoded = DecodeResultFile(bytes);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.utf8().data() + decoded.utf8().size(), bytes.data() + bytes.size());
    EXPECT_TRUE(decoded.conversion.empty());
  }
}

TEST(ParseEncodingName, NamesAndAliases) {
  EXPECT_EQ(ParseEncodingName("utf-8"), Encoding::kUtf8);
  EXPECT_EQ(ParseEncodingName("UTF8"), Encoding::kUtf8);
  EXPECT_EQ(ParseEncodingName("sjis"), Encoding::kShiftJis);
  EXPECT_EQ(ParseEncodingName("cp932"), Encoding::kShiftJis);
  EXPECT_EQ(ParseEncodingName("Windows-1252"), Encoding::kWindows1252);
  EXPECT_EQ(ParseEncodingName("ebcdic"), std::nullopt);
  for (Encoding e : {Encoding::kUtf8, Encoding::kShiftJis, Encoding::kWindows1252}) {
    EXPECT_EQ(ParseEncodingName(EncodingName(e)), e);
  }
}

}  // namespace
}  // namespace norvale::fleet::testing
