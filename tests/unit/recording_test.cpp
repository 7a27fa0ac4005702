#include "core/recording.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "app/list_sink.h"
#include "core/result_file_sink.h"
#include "tests/fakes/fake_machine.h"

namespace norvale {
namespace {

using fakes::FakeMachine;

struct Recorder {
  FakeMachine machine;
  Context ctx{machine.platform};
  ListSink shown{ctx, &machine.ui.CreateResultList("font", 200)};
  std::string temp = "C:\\Temp\\out.tmp";
  std::unique_ptr<platform::LineWriter> file;
  std::optional<ResultFileSink> to_file;

  Recorder() {
    ctx.main.computer_name = "PC01";
    ctx.main.rows = &shown;
  }
  // Rows go to the list and the file, as in a save from the window.
  void StartFile() {
    file = machine.files.OpenAppend(temp);
    to_file.emplace(ctx, *file, &shown);
    ctx.main.rows = &*to_file;
  }
  std::string File() const { return *machine.files.Get(temp); }
};

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
  ASSERT_TRUE(r.to_file->first_failure().has_value());
  EXPECT_EQ(r.to_file->first_failure()->number(), 61);
  // The first failure is the one the save reports.
  r.machine.locale.fail_dates = true;
  RecordRow(r.ctx, std::string("G"), std::string("I"), Value{}, Value{}, Value{});
  EXPECT_EQ(r.to_file->first_failure()->number(), 61);
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
  ASSERT_TRUE(r.to_file->first_failure().has_value());
  EXPECT_EQ(r.to_file->first_failure()->number(), 5);
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
