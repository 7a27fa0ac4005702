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

TEST(TableOutput, DisplayWidth) {
  EXPECT_EQ(DisplayWidth("abc"), 3u);
  EXPECT_EQ(DisplayWidth("メモリ"), 6u);
  EXPECT_EQ(DisplayWidth("Café"), 4u);
  EXPECT_EQ(DisplayWidth("ﾒﾓﾘ"), 3u);  // half-width katakana
}

}  // namespace
}  // namespace norvale::fleet
