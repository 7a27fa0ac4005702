#include "core/recording.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_machine.h"

namespace norvale {
namespace {

using fakes::FakeMachine;

struct Recorder {
  FakeMachine machine;
  Context ctx{machine.platform};
  std::string temp = "C:\\Temp\\out.tmp";

  Recorder() {
    ctx.main.computer_name = "PC01";
    ctx.main.list = &machine.ui.CreateResultList("font", 200);
  }
  void StartFile() {
    ctx.main.result_file = machine.files.OpenAppend(temp);
    ctx.main.writing_result_file = true;
  }
  std::string File() const { return *machine.files.Get(temp); }
};

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

TEST(RecordValues, ShowsAndWritesRowsAndAdvances) {
  Recorder r;
  r.StartFile();
  RecordValues(r.ctx, std::string("PC01"), std::string("Soft"), std::string("Windows"), Value{},
               Whole(42), 1.5, Date{2026, 1, 2});
  EXPECT_EQ(r.ctx.main.next_row, 1);
  ASSERT_EQ(r.machine.ui.rows.size(), 1u);
  EXPECT_EQ(r.machine.ui.rows[0],
            (std::vector<std::string>{"PC01", "Soft", "Windows", "", "42", "1.5", "2026/01/02"}));
  EXPECT_EQ(r.File(), "PC01\tSoft\tWindows\t\t42\t1.5\t2026/01/02\r\n");
}

TEST(RecordValues, QuotingFollowsTheTextAsWritten) {
  // A code page whose stand-in for a missing character is a delimiter or a
  // quote must not split the row.
  struct Case {
    char default_char;
    const char* save_type;
    const char* want;
  } cases[] = {
      {',', "CSV", "PC01,G,I,\",x,y\",q,,2026/12/07\r\n"},
      {'"', "CSV", "PC01,G,I,\"\"\"x\"\"y\",q,,2026/12/07\r\n"},
      {'"', "TSV", "PC01\tG\tI\t\"\"\"x\"\"y\"\tq\t\t2026/12/07\r\n"},
  };
  for (const Case& c : cases) {
    Recorder r;
    r.machine.locale.ascii_code_page = true;
    r.machine.locale.default_char = c.default_char;
    r.ctx.main.settings.save_type = ParseSaveType(c.save_type);
    r.StartFile();
    // A full-width quote, x, a full-width comma, y.
    RecordRow(r.ctx, std::string("G"), std::string("I"), std::string("\xEF\xBC\x82x\xEF\xBC\x8Cy"),
              std::string("q"), Value{});
    EXPECT_EQ(r.File(), c.want) << c.default_char << c.save_type;
  }
}

TEST(RecordValues, AutomaticModeShowsNothingButCounts) {
  Recorder r;
  r.ctx.main.settings.auto_save = AutoSave::kOn;
  RecordRow(r.ctx, std::string("G"), std::string("I"), Value{}, Value{}, Value{});
  RecordRow(r.ctx, std::string("G"), std::string("I"), Value{}, Value{}, Value{});
  EXPECT_TRUE(r.machine.ui.rows.empty());
  EXPECT_EQ(r.ctx.main.next_row, 2);
}

TEST(RecordValues, WriteFailureIsSilentDuringSaveButRemembered) {
  Recorder r;
  r.StartFile();
  r.machine.files.fail_writes = true;
  RecordRow(r.ctx, std::string("G"), std::string("I1"), Value{}, Value{}, Value{});
  RecordRow(r.ctx, std::string("G"), std::string("I2"), Value{}, Value{}, Value{});
  EXPECT_TRUE(r.machine.ui.messages.empty());
  // Shown before the write failed, and the list keeps the rows' order.
  ASSERT_EQ(r.machine.ui.rows.size(), 2u);
  EXPECT_EQ(r.machine.ui.rows[0][2], "I1");
  EXPECT_EQ(r.machine.ui.rows[1][2], "I2");
  EXPECT_EQ(r.ctx.main.next_row, 2);
  // Silent, but not forgotten: the save learns its file lacks a row.
  ASSERT_TRUE(r.ctx.main.save_row_failure.has_value());
  EXPECT_EQ(r.ctx.main.save_row_failure->number(), 61);
  // The first failure is the one the save reports.
  r.machine.locale.fail_dates = true;
  RecordRow(r.ctx, std::string("G"), std::string("I"), Value{}, Value{}, Value{});
  EXPECT_EQ(r.ctx.main.save_row_failure->number(), 61);
}

TEST(RecordValues, FailureShowsMessageOnlyOutsideSave) {
  Recorder r;
  r.machine.locale.fail_dates = true;
  RecordRow(r.ctx, std::string("G"), std::string("I"), Value{}, Value{}, Value{});
  ASSERT_EQ(r.machine.ui.messages.size(), 1u);
  EXPECT_EQ(r.machine.ui.messages[0].text, "mMain,ValueSet:Invalid procedure call or argument");
  EXPECT_EQ(r.ctx.main.next_row, 0);

  r.StartFile();
  RecordRow(r.ctx, std::string("G"), std::string("I"), Value{}, Value{}, Value{});
  EXPECT_EQ(r.machine.ui.messages.size(), 1u);
  EXPECT_EQ(r.File(), "");
  // A row missing from the file fails the save.
  ASSERT_TRUE(r.ctx.main.save_row_failure.has_value());
  EXPECT_EQ(r.ctx.main.save_row_failure->number(), 5);
}

TEST(ErrorRow, CarriesModuleNumberAndDescription) {
  Recorder r;
  ErrorRow(r.ctx, "Datasave", "mMain", Failure(76, "Path not found"));
  ASSERT_EQ(r.machine.ui.rows.size(), 1u);
  EXPECT_EQ(r.machine.ui.rows[0], (std::vector<std::string>{"PC01", "Datasave", "error", "mMain",
                                                            "76", "Path not found", "2026/12/07"}));
}

TEST(Guarded, TurnsAnyFailureIntoOneErrorRowAndStops) {
  Recorder r;
  int reached = 0;
  Guarded(r.ctx, "Soft", "mSoft", [&] {
    ++reached;
    throw Failure::SubscriptOutOfRange();
  });
  EXPECT_EQ(reached, 1);
  ASSERT_EQ(r.machine.ui.rows.size(), 1u);
  EXPECT_EQ(r.machine.ui.rows[0][4], "9");
  EXPECT_EQ(r.machine.ui.rows[0][5], "Subscript out of range");
}

}  // namespace
}  // namespace norvale
