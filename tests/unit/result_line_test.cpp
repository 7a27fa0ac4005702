#include "core/result_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace norvale {
namespace {

TEST(ResultLine, CommaModeQuotesOnlyWhereNeeded) {
  struct Case {
    const char* name;
    std::string texts[kColumnCount];
    std::string save_type;
    std::string want;
  } cases[] = {
      {"plain comma", {"K", "G", "I", "S", "a,b", "", "D"}, "CSV", "K,G,I,S,\"a,b\",,D"},
      {"comma and quote",
       {"K", "G", "I", "S", "say \"hi\", bye", "", "D"},
       "CSV",
       "K,G,I,S,\"say \"\"hi\"\", bye\",,D"},
      {"every field may be quoted",
       {"K,1", "G,2", "I", "S", "C", "U", "8,12,2026"},
       "CSV",
       "\"K,1\",\"G,2\",I,S,C,U,\"8,12,2026\""},
      {"quote in the computer name",
       {"PC\"1", "G", "I", "S", "C", "U", "D"},
       "CSV",
       "\"PC\"\"1\",G,I,S,C,U,D"},
      {"line break", {"K", "G", "I", "S", "a\r\nb", "", "D"}, "CSV", "K,G,I,S,\"a\r\nb\",,D"},
      {"lower-case tsv is comma", {"K", "G", "I", "S", "C", "U", "D"}, "tsv", "K,G,I,S,C,U,D"},
      {"tab mode folds breaks",
       {"K", "G", "I", "S", "a\tb\r\nc", "x,y", "D"},
       "TSV",
       "K\tG\tI\tS\ta b  c\tx,y\tD"},
      {"tab mode quotes a leading quote",
       {"K", "G", "I", "S", "\"C:\\Program Files\\App\\app.exe\" /S", "\"unclosed", "D"},
       "TSV",
       "K\tG\tI\tS\t\"\"\"C:\\Program Files\\App\\app.exe\"\" /S\"\t\"\"\"unclosed\"\tD"},
      {"tab mode leaves other quotes alone",
       {"K", "G", "I", "S", "say \"hi\"", "a\"", "D"},
       "TSV",
       "K\tG\tI\tS\tsay \"hi\"\ta\"\tD"},
      {"tab mode folds breaks before quoting",
       {"\"a\tb\"", "G", "I", "S", "C", "U", "D"},
       "TSV",
       "\"\"\"a b\"\"\"\tG\tI\tS\tC\tU\tD"},
  };
  // The save type as the settings file gives it.
  for (const auto& c : cases) {
    EXPECT_EQ(FormatResultLine(c.texts, ParseSaveType(c.save_type)), c.want) << c.name;
  }
}

// Whatever the writer produces, the reader gives back field for field.
TEST(ResultLineReader, ReadsBackWhatTheWriterWrote) {
  const std::string cases[][kColumnCount] = {
      {"PC", "Soft", "Application", "Tool, \"Pro\"", "1,2", "Maker \"A\"", "D"},
      {"PC", "Env", "PATH", "", "", "", "D"},
      {"PC", "OTHER", "multi\r\nline", "a\"b", "\"quoted\"", ",", "D"},
      {"PC", "Soft", "日本語", "ソフト, 名前", "１．０", "株式会社", "D"},
      {"PC", "Soft", "Uninstall", "\"C:\\Program Files\\App\\app.exe\" /S", "\"unclosed", "\"\"",
       "D"},
  };
  for (const auto& row : cases) {
    for (const char* save_type : {"CSV", "TSV"}) {
      const std::string line = FormatResultLine(row, ParseSaveType(save_type)) + "\r\n";
      const char separator = std::string(save_type) == "TSV" ? '\t' : ',';
      ResultRecordReader reader(line, separator);
      ResultRecord record;
      ASSERT_EQ(reader.Next(record), RecordStatus::kRecord) << line;
      ASSERT_EQ(record.fields.size(), 7u) << line;
      for (int i = 0; i < kColumnCount; ++i) {
        std::string want = row[i];
        if (separator == '\t') {  // tab files turn tabs and line breaks into spaces
          for (char& c : want)
            if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        }
        EXPECT_EQ(record.fields[i], want) << save_type << " field " << i << " of " << line;
      }
      EXPECT_EQ(reader.Next(record), RecordStatus::kEnd);
    }
  }
}

// Tab files written before values beginning with a quote were enclosed: such
// a value reads as written unless it is exactly one quoted text.
TEST(ResultLineReader, OlderTabFilesReadAsWritten) {
  struct Case {
    const char* field;
    const char* want;
  } cases[] = {
      {"\"C:\\App\\app.exe\" /S", "\"C:\\App\\app.exe\" /S"},
      {"\"unclosed", "\"unclosed"},
      {"\"a\"b\"", "\"a\"b\""},
      {"\"", "\""},
      {"\"a\"\"b\"", "a\"b"},
      {"plain \"x\"", "plain \"x\""},
  };
  for (const auto& c : cases) {
    const std::string line = std::string("PC\tOTHER\tREGISTRY\tItem\t") + c.field + "\t\tD\r\n";
    ResultRecordReader reader(line, '\t');
    ResultRecord record;
    ASSERT_EQ(reader.Next(record), RecordStatus::kRecord) << line;
    ASSERT_EQ(record.fields.size(), 7u) << line;
    EXPECT_EQ(record.fields[kContentsColumn], c.want) << line;
  }
}

TEST(ResultLineReader, StatusesAndLineNumbers) {
  struct Case {
    const char* name;
    std::string text;
    char separator;
    std::vector<RecordStatus> statuses;
    std::vector<int> lines;
  } cases[] = {
      {"lf endings",
       "a,b\nc,d\n",
       ',',
       {RecordStatus::kRecord, RecordStatus::kRecord, RecordStatus::kEnd},
       {1, 2, 3}},
      {"quoted line break moves the line",
       "\"x\ny\",b\r\nc,d\r\n",
       ',',
       {RecordStatus::kRecord, RecordStatus::kRecord},
       {1, 3}},
      {"unclosed quote",
       "a,b\r\n\"open,c\r\nd,e\r\n",
       ',',
       {RecordStatus::kRecord, RecordStatus::kUnclosedQuote},
       {1, 2}},
      {"no line end at the end",
       "a,b\r\nc,d",
       ',',
       {RecordStatus::kRecord, RecordStatus::kNoLineEnd},
       {1, 2}},
      {"quotes mean nothing in tab files",
       "\"a\tb\r\n",
       '\t',
       {RecordStatus::kRecord, RecordStatus::kEnd},
       {1, 2}},
      {"lone CR stays in the field", "a\rb,c\r\n", ',', {RecordStatus::kRecord}, {1}},
  };
  for (const Case& c : cases) {
    ResultRecordReader reader(c.text, c.separator);
    ResultRecord record;
    for (std::size_t i = 0; i < c.statuses.size(); ++i) {
      EXPECT_EQ(reader.Next(record), c.statuses[i]) << c.name << " #" << i;
      EXPECT_EQ(record.line, c.lines[i]) << c.name << " #" << i;
    }
  }
}

TEST(ResultLineReader, UndoubledInnerQuoteIsKept) {
  ResultRecordReader reader("K,G,\"say \"hi\" now, ok\",x\r\n", ',');
  ResultRecord record;
  ASSERT_EQ(reader.Next(record), RecordStatus::kRecord);
  ASSERT_EQ(record.fields.size(), 4u);
  EXPECT_EQ(record.fields[2], "say \"hi\" now, ok");
}

TEST(ResultLineReader, SeparatorFromHeader) {
  EXPECT_EQ(DetectResultSeparator("PC\tCreate\tDateTime\t1\t2\t3\t4"), '\t');
  EXPECT_EQ(DetectResultSeparator("PC,Create,DateTime,1,2,3,4"), ',');
  EXPECT_EQ(DetectResultSeparator("PC,Soft,Windows,Version,x,,d"), 0);
  EXPECT_EQ(DetectResultSeparator(",Create,DateTime,1"), 0);
  EXPECT_EQ(DetectResultSeparator("P,C\tCreate\tDateTime\t"), '\t');
}

}  // namespace
}  // namespace norvale
