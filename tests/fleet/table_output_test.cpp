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
             {{"PC-01", "Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz", "山田太郎"}}, 30);
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

TEST(TableOutput, DisplayWidth) {
  EXPECT_EQ(DisplayWidth("abc"), 3u);
  EXPECT_EQ(DisplayWidth("メモリ"), 6u);
  EXPECT_EQ(DisplayWidth("Café"), 4u);
  EXPECT_EQ(DisplayWidth("ﾒﾓﾘ"), 3u);  // half-width katakana
}

}  // namespace
}  // namespace norvale::fleet
