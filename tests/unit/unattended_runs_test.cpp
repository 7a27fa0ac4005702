// Runs nobody watches: they must end, and say by their exit code whether the
// result file was written. Saves that fail keep the previous result file.
#include <gtest/gtest.h>

#include "app/main_window_logic.h"
#include "app/saving.h"
#include "tests/fakes/fake_machine.h"
#include "tests/unit/app_world.h"

namespace norvale {
namespace {

using platform::MenuItem;

using testing::App;

TEST(AutomaticStart, FailureEndsTheRunOnceTheMessageIsShown) {
  struct Case {
    const char* save_time;
    bool timer_refused;
    const char* message;
  } cases[] = {
      {"", false, "Form1,Load:Type mismatch"},
      {"30s", false, "Form1,Load:Type mismatch"},
      {"３０", false, "Form1,Load:Type mismatch"},
      {"3000000", false, "Form1,Load:Overflow"},
      {"0", true, "Form1,Load:The timer could not be started"},
  };
  for (const auto& c : cases) {
    App app;
    app.m.ui.timers_fail = c.timer_refused;
    app.m.WriteSettings(std::string("[setting]\r\nAUTOSAVE=1\r\nSAVETIME=") + c.save_time + "\r\n");
    app.form.Start();
    ASSERT_EQ(app.m.ui.messages.size(), 1u) << c.save_time;
    EXPECT_EQ(app.m.ui.messages[0].text, c.message);
    EXPECT_TRUE(app.m.ui.ended) << c.save_time;
    EXPECT_EQ(app.m.ui.exit_code, kExitFailure) << c.save_time;
    EXPECT_FALSE(app.m.ui.window_visible);
  }
}

TEST(InteractiveStart, FailureLeavesTheWindowOpen) {
  // Only a run without a window ends by itself; a user can close a window.
  App app;
  app.m.WriteSettings("[setting]\r\nAUTOSAVE=0\r\nSAVETIME=30s\r\n");
  app.form.Start();
  EXPECT_TRUE(app.m.ui.window_visible);
  EXPECT_FALSE(app.m.ui.ended);
}

TEST(AutoSaveSetting, OnlyNumbersOtherThanZeroLeaveInteractiveSaving) {
  struct Case {
    const char* auto_save;
    const char* saved_to;  // where the result file lands
    bool confirmed;        // the save says so in a message
  } cases[] = {
      {"0", "C:\\Users\\admin\\Desktop\\PC01.tsv", true},
      {"", "C:\\Users\\admin\\Desktop\\PC01.tsv", true},
      {"yes", "C:\\Users\\admin\\Desktop\\PC01.tsv", true},
      {"1x", "C:\\Users\\admin\\Desktop\\PC01.tsv", true},
      // A number other than 0 and 1 opens the window but saves as automatic
      // mode does, beside the program and without a word.
      {"2", "C:\\Tools\\Norvale\\PC01.tsv", false},
  };
  for (const auto& c : cases) {
    App app;
    app.m.WriteSettings(std::string("[setting]\r\nAUTOSAVE=") + c.auto_save + "\r\n");
    app.form.Start();
    EXPECT_TRUE(app.m.ui.window_visible) << c.auto_save;
    EXPECT_FALSE(app.m.ui.rows.empty()) << c.auto_save;
    app.form.OnMenuCommand(MenuItem::kSave);
    EXPECT_TRUE(app.Saved(c.saved_to).starts_with("PC01\tCreate\t")) << c.auto_save;
    EXPECT_EQ(app.m.ui.messages.size(), c.confirmed ? 1u : 0u) << c.auto_save;
  }
}

enum class Fault { kNone, kMissingFolder, kNoTempFolder, kEveryWrite, kFlushAtClose, kReadOnly };

// Applies a fault to a machine whose result folder is D:\out.
void Inject(fakes::FakeMachine& m, Fault fault) {
  switch (fault) {
    case Fault::kNone:
      break;
    case Fault::kMissingFolder:
      m.files.folders.erase("D:\\OUT");
      break;
    case Fault::kNoTempFolder:
      m.system.temp_folder.reset();
      break;
    case Fault::kEveryWrite:
      m.files.fail_writes = true;
      break;
    case Fault::kFlushAtClose:
      m.files.fail_flush = true;
      break;
    case Fault::kReadOnly:
      m.files.read_only.insert("D:\\OUT\\PC01.TSV");
      break;
  }
}

struct SaveCase {
  Fault fault;
  bool saved;
  const char* error;  // the Datasave error row's description when not saved
};

constexpr SaveCase kSaveCases[] = {
    {Fault::kNone, true, nullptr},
    {Fault::kMissingFolder, false, "Path not found"},
    {Fault::kNoTempFolder, false, "Path not found"},
    {Fault::kEveryWrite, false, "Disk full"},
    {Fault::kFlushAtClose, false, "Disk full"},
    {Fault::kReadOnly, false, "Permission denied"},
};

TEST(AutomaticSave, ExitCodeSaysWhetherTheFileWasWritten) {
  for (const auto& c : kSaveCases) {
    const int row = static_cast<int>(&c - kSaveCases);
    App app;
    app.m.files.AddFolder("D:\\out");
    app.m.WriteSettings("[setting]\r\nAUTOSAVE=1\r\nSAVEFOLDER=D:\\out\r\n");
    Inject(app.m, c.fault);
    app.form.Start();
    ASSERT_EQ(app.m.ui.timers.size(), 1u) << row;
    app.m.ui.FireTimer();
    EXPECT_TRUE(app.m.ui.ended) << row;
    EXPECT_EQ(app.m.ui.exit_code, c.saved ? kExitSuccess : kExitFailure) << row;
    EXPECT_TRUE(app.m.ui.messages.empty()) << "no message without a window, row " << row;
  }
}

TEST(Save, AnyFailureKeepsThePreviousResultAndRecordsTheError) {
  for (const auto& c : kSaveCases) {
    const int row = static_cast<int>(&c - kSaveCases);
    App app;
    app.m.files.AddFolder("D:\\out");
    app.m.files.Put("D:\\out\\PC01.tsv", "previous good result\r\n");
    app.m.WriteSettings("[setting]\r\nSAVEFOLDER=D:\\out\r\n");
    app.form.Start();
    Inject(app.m, c.fault);
    app.m.ui.messages.clear();
    app.form.OnMenuCommand(MenuItem::kSave);

    ASSERT_EQ(app.m.ui.messages.size(), 1u) << row;
    if (c.saved) {
      EXPECT_TRUE(app.Saved("D:\\out\\PC01.tsv").starts_with("PC01\tCreate\t")) << row;
      EXPECT_EQ(app.m.ui.messages[0].icon, platform::MessageIcon::kInformation);
      continue;
    }
    if (c.fault != Fault::kMissingFolder) {
      EXPECT_EQ(app.Saved("D:\\out\\PC01.tsv"), "previous good result\r\n") << row;
      EXPECT_EQ(app.m.files.FilesIn("D:\\out").size(), 1u) << "nothing left beside it, row " << row;
    }
    EXPECT_EQ(app.m.ui.messages[0].text, std::string("not saved:") + c.error) << row;
    EXPECT_EQ(app.m.ui.messages[0].icon, platform::MessageIcon::kExclamation) << row;
    const auto& last = app.m.ui.rows.back();
    EXPECT_EQ(last[1], "Datasave") << row;
    EXPECT_EQ(last[2], "error") << row;
    EXPECT_EQ(last[3], "mMain") << row;
    EXPECT_EQ(last[5], c.error) << row;
    EXPECT_EQ(app.ctx().main.rows, app.list_rows) << row;
    if (c.fault != Fault::kNoTempFolder) {
      EXPECT_TRUE(app.m.files.FilesIn("C:\\Temp").empty()) << row;
    }
  }
}

TEST(Save, FailureMessageInJapanese) {
  App app;
  app.m.Japanese();
  app.m.WriteSettings("[setting]\r\nSAVEFOLDER=Q:\\missing\r\n");
  app.form.Start();
  app.form.OnMenuCommand(MenuItem::kSave);
  ASSERT_EQ(app.m.ui.messages.size(), 1u);
  EXPECT_EQ(app.m.ui.messages[0].text, "保存できませんでした:Path not found");
}

TEST(Save, AFailedSaveDoesNotSpoilTheNextOne) {
  App app;
  app.m.files.AddFolder("D:\\out");
  app.m.WriteSettings("[setting]\r\nSAVEFOLDER=D:\\out\r\n");
  app.form.Start();
  app.m.files.fail_writes = true;
  app.form.OnMenuCommand(MenuItem::kSave);
  app.m.files.fail_writes = false;
  app.form.OnMenuCommand(MenuItem::kSave);
  EXPECT_TRUE(app.Saved("D:\\out\\PC01.tsv").starts_with("PC01\tCreate\t"));
  EXPECT_EQ(app.m.ui.messages.back().text, "saved to an 'D:\\out\\PC01.tsv'");
}

TEST(Save, PartialCopiesOfTwoProcessesHaveTheirOwnNames) {
  // Two programs saving the same computer's file at once (one shared
  // folder) must not copy into one partial file.
  std::vector<std::string> partials;
  for (std::uint32_t process : {100u, 200u}) {
    App app;
    app.m.system.process_id = process;
    app.m.files.AddFolder("D:\\out");
    app.m.WriteSettings("[setting]\r\nSAVEFOLDER=D:\\out\r\n");
    app.form.Start();
    app.form.OnMenuCommand(MenuItem::kSave);
    ASSERT_EQ(app.m.files.copied_to.size(), 1u);
    partials.push_back(app.m.files.copied_to[0]);
    EXPECT_TRUE(partials.back().starts_with("D:\\out\\PC01.tsv.")) << partials.back();
    EXPECT_EQ(app.m.files.FilesIn("D:\\out").size(), 1u);
  }
  EXPECT_NE(partials[0], partials[1]);
}

}  // namespace
}  // namespace norvale
