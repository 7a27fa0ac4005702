#include "fleet/query/table_output.h"

#include <gtest/gtest.h>

#include <sstream>

namespace norvale::fleet {
namespace {

TEST(TableOutput, ColumnsLineUpWithWideCharacters) {
  std::ostringstream out;
  WriteTable(out, OutputFormat::kTable, {"computer", "user"},
             {{"PC-JA", "山田"}, {"PC-0001-LONG", "taro"}});
  EXPECT_EQ(out.str(),
            "computer      user\n"
            "------------  ----\n"
            "PC-JA         山田\n"
            "PC-0001-LONG  taro\n");
}

TEST(TableOutput, CsvAndTsvCells) {
  struct Case {
    OutputFormat format;
    std::string cell;
    std::string want;
  } cases[] = {
      {OutputFormat::kCsv, "plain", "plain"},
      {OutputFormat::kCsv, "a,b", "\"a,b\""},
      {OutputFormat::kCsv, "say \"hi\"", "\"say \"\"hi\"\"\""},
      {OutputFormat::kCsv, "two\nlines", "\"two\nlines\""},
      {OutputFormat::kTsv, "tab\there", "tab here"},
      {OutputFormat::kTsv, "two\r\nlines", "two  lines"},
      {OutputFormat::kTsv, "a,\"b\"", "a,\"b\""},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    WriteTable(out, c.format, {"h"}, {{c.cell}});
    EXPECT_EQ(out.str(), "h\n" + c.want + "\n") << c.cell;
  }
}

TEST(TableOutput, FitsTheTerminalByNarrowingTheWidestColumns) {
  std::ostringstream out;
  WriteTable(out, OutputFormat::kTable, {"computer", "cpu", "user"},
             {{"PC-01", "Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz", "山田太郎"}},
             CellUse::kExactData, 30);
  EXPECT_EQ(out.str(),
            "computer  cpu         user\n"
            "--------  ----------  --------\n"
            "PC-01     Intel(R) …  山田太郎\n");
  EXPECT_EQ(DisplayWidth("PC-01     Intel(R) …  山田太郎"), 30u);
  // A wide character is never cut in half.
  EXPECT_EQ(FitToWidth("山田太郎", 5), "山田…");
  EXPECT_EQ(FitToWidth("山田太郎", 8), "山田太郎");
  EXPECT_EQ(FitToWidth("abc", 0), "");
}

TEST(TableOutput, DatesStayWholeWhileOtherColumnsCanGive) {
  const CellType kT = CellType::kText, kD = CellType::kDate;
  const std::vector<std::string> header = {"computer", "seen", "cpu", "user"};
  const std::vector<std::vector<std::string>> rows = {
      {"PC-01", "2026-12-03 21:33:42", "Intel(R) Core(TM) i5-8500", "yamada"}};
  struct Case {
    const char* name;
    std::size_t width;
    std::vector<CellType> types;
    std::string want_row;
  } cases[] = {
      {"the text columns give",
       50,
       {kT, kD, kT, kT},
       "PC-01     2026-12-03 21:33:42  Intel(R) C…  yamada"},
      {"without types the widest goes first",
       50,
       {},
       "PC-01     2026-12-03 21:…  Intel(R) Core(…  yamada"},
      {"the date gives once the others cannot",
       36,
       {kT, kD, kT, kT},
       "PC-01     2026-12-0…  Intel…  yamada"},
      {"the first column last of all", 31, {kT, kD, kT, kT}, "PC-01    2026-…  Intel…  yamada"},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    WriteTable(out, OutputFormat::kTable, header, rows, CellUse::kExactData, c.width, c.types);
    const std::string text = out.str();
    const std::string row = text.substr(text.rfind('\n', text.size() - 2) + 1);
    EXPECT_EQ(row, c.want_row + "\n") << c.name << ":\n" << text;
    EXPECT_LE(DisplayWidth(c.want_row), c.width) << c.name;
  }
}

TEST(TableOutput, SpreadsheetCsvKeepsFormulasAsText) {
  std::ostringstream out;
  WriteSpreadsheetCsv(out, ResultTable{{"name", "count"},
                                       {CellType::kText, CellType::kNumber},
                                       {{"=1+1", "-3"},
                                        {"+x", "4"},
                                        {"-y", "5"},
                                        {"@z", "6"},
                                        {"\tTab", "7"},
                                        {"a=b, \"c\"", "8"},
                                        {"山田", "9"}}});
  EXPECT_EQ(out.str(),
            "\xEF\xBB\xBFname,count\r\n"
            "'=1+1,-3\r\n"
            "'+x,4\r\n"
            "'-y,5\r\n"
            "'@z,6\r\n"
            "'\tTab,7\r\n"
            "\"a=b, \"\"c\"\"\",8\r\n"
            "山田,9\r\n");
}

// What would move the cursor or wipe a line is shown, never sent; text
// without control characters is left as it is.
TEST(TableOutput, VisibleText) {
  struct Case {
    std::string text, want;
  } cases[] = {
      {"plain Café 山田", "plain Café 山田"},
      {"\x1b[1A\x1b[2K\rfake", "\\x1b[1A\\x1b[2K\\x0dfake"},
      {"bell\x07 del\x7f nul" + std::string(1, '\0'), "bell\\x07 del\\x7f nul\\x00"},
      {"csi\xC2\x9B"
       "2J next\xC2\x85",
       "csi\\u009b2J next\\u0085"},
      {"\xC2\xA0nbsp", "\xC2\xA0nbsp"},
      {"bad\xF4\x90\x80\x80 cut\xE5\xB1", "bad\\xf4\\x90\\x80\\x80 cut\\xe5\\xb1"},
  };
  for (const Case& c : cases) EXPECT_EQ(VisibleText(c.text), c.want) << c.want;
}

// A table shows control characters visibly and lines up by what is shown;
// CSV and TSV keep them exact for scripts.
TEST(TableOutput, ControlCharactersInCells) {
  const std::vector<std::vector<std::string>> rows = {{"\x1b[1A\x1b[2K\rX", "1"}};
  struct Case {
    OutputFormat format;
    std::string want;
  } cases[] = {
      {OutputFormat::kTable,
       "name              n\n"
       "----------------  -\n"
       "\\x1b[1A\\x1b[2K X  1\n"},
      {OutputFormat::kCsv, "name,n\n\"\x1b[1A\x1b[2K\rX\",1\n"},
      {OutputFormat::kTsv, "name\tn\n\x1b[1A\x1b[2K X\t1\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    WriteTable(out, c.format, {"name", "n"}, rows);
    EXPECT_EQ(out.str(), c.want);
  }
}

// Data for scripts stays exact; a file for a spreadsheet never starts a
// formula, whatever character a spreadsheet would take as its start.
TEST(TableOutput, SpreadsheetCellsNeverStartAFormula) {
  struct Case {
    OutputFormat format;
    std::string cell, exact, spreadsheet;
  } cases[] = {
      {OutputFormat::kCsv, "=HYPERLINK(\"http://x\",\"Click\")",
       "\"=HYPERLINK(\"\"http://x\"\",\"\"Click\"\")\"",
       "\"'=HYPERLINK(\"\"http://x\"\",\"\"Click\"\")\""},
      {OutputFormat::kCsv, "+1+cmd|' /C calc'!A0", "+1+cmd|' /C calc'!A0", "'+1+cmd|' /C calc'!A0"},
      {OutputFormat::kCsv, "-2+3", "-2+3", "'-2+3"},
      {OutputFormat::kCsv, "@SUM(A1)", "@SUM(A1)", "'@SUM(A1)"},
      {OutputFormat::kCsv, "\t=1+1", "\t=1+1", "'\t=1+1"},
      {OutputFormat::kCsv, "\r=1+1", "\"\r=1+1\"", "\"'\r=1+1\""},
      {OutputFormat::kTsv, "=1+1", "=1+1", "'=1+1"},
      {OutputFormat::kTsv, "\t=1+1", " =1+1", "' =1+1"},
      {OutputFormat::kCsv, "Office = 2019", "Office = 2019", "Office = 2019"},
      {OutputFormat::kCsv, "", "", ""},
      {OutputFormat::kTsv, "'quoted", "'quoted", "'quoted"},
  };
  for (const Case& c : cases) {
    std::ostringstream exact, safe;
    WriteTable(exact, c.format, {"h"}, {{c.cell}});
    WriteTable(safe, c.format, {"h"}, {{c.cell}}, CellUse::kSpreadsheet);
    EXPECT_EQ(exact.str(), "h\n" + c.exact + "\n") << c.cell;
    EXPECT_EQ(safe.str(), "h\n" + c.spreadsheet + "\n") << c.cell;
  }
}

TEST(TableOutput, DisplayWidth) {
  EXPECT_EQ(DisplayWidth("abc"), 3u);
  EXPECT_EQ(DisplayWidth("メモリ"), 6u);
  EXPECT_EQ(DisplayWidth("Café"), 4u);
  EXPECT_EQ(DisplayWidth("ﾒﾓﾘ"), 3u);  // half-width katakana
}

}  // namespace
}  // namespace norvale::fleet
