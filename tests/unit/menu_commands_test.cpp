#include <gtest/gtest.h>

#include "app/full_run.h"
#include "app/main_window_logic.h"
#include "core/profile.h"
#include "core/recording.h"
#include "core/utf.h"
#include "core/version.h"
#include "tests/fakes/fake_machine.h"
#include "tests/unit/app_world.h"

namespace norvale {
namespace {

using platform::MenuItem;

constexpr MenuItem kViewItems[] = {
    MenuItem::kShowAll, MenuItem::kShowHard,   MenuItem::kShowDrive,
    MenuItem::kShowLan, MenuItem::kShowSoft,   MenuItem::kShowApp,
    MenuItem::kShowEnv, MenuItem::kShowDevice, MenuItem::kShowWmi,
};

struct App : testing::App {
  std::vector<MenuItem> CheckedViewItems() {
    std::vector<MenuItem> on;
    for (MenuItem item : kViewItems) {
      if (m.ui.IsMenuChecked(item)) on.push_back(item);
    }
    return on;
  }
};

TEST(MenuCommands, EachCommandWritesItsOneKey) {
  struct Case {
    MenuItem item;
    const char* key;  // nullptr: the settings file is not written
    const char* value;
  } cases[] = {
      {MenuItem::kSave, nullptr, nullptr},
      {MenuItem::kEnd, nullptr, nullptr},
      {MenuItem::kShowAll, nullptr, nullptr},
      {MenuItem::kShowHard, nullptr, nullptr},
      {MenuItem::kShowDrive, nullptr, nullptr},
      {MenuItem::kShowLan, nullptr, nullptr},
      {MenuItem::kShowSoft, nullptr, nullptr},
      {MenuItem::kShowApp, nullptr, nullptr},
      {MenuItem::kShowEnv, nullptr, nullptr},
      {MenuItem::kShowDevice, nullptr, nullptr},
      {MenuItem::kShowWmi, nullptr, nullptr},
      {MenuItem::kSaveTab, "SAVETYPE", "TSV"},
      {MenuItem::kSaveCsv, "SAVETYPE", "CSV"},
      {MenuItem::kAuto, "AUTOSAVE", "1"},
      {MenuItem::kFolder, "SAVEFOLDER", "D:\\out"},
      {MenuItem::kSaveDelay, "SAVETIME", "30"},
      {MenuItem::kVersion, nullptr, nullptr},
      // Parents only open their submenus.
      {MenuItem::kFile, nullptr, nullptr},
      {MenuItem::kSaveType, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const int row = static_cast<int>(&c - cases);
    App app;
    app.m.files.AddFolder("D:\\out");
    app.Start();
    ASSERT_FALSE(app.m.files.FileExists(app.m.SettingsFile()));
    app.m.ui.folder_answers.push_back("D:\\out");
    app.m.ui.input_answers.push_back("30");
    app.form.OnMenuCommand(c.item);
    if (c.key == nullptr) {
      EXPECT_FALSE(app.m.files.FileExists(app.m.SettingsFile())) << "row " << row;
    } else {
      const auto bytes = app.m.files.Get(app.m.SettingsFile()).value_or("");
      EXPECT_TRUE(bytes.starts_with("[SETTING]\r\n")) << bytes;
      EXPECT_EQ(app.SettingKeys(), std::vector<std::string>{c.key}) << "row " << row;
      EXPECT_EQ(app.Setting(c.key), c.value) << "row " << row;
    }
    // Only the save shows a message, only End ends, only Version shows the box.
    EXPECT_EQ(app.m.ui.messages.size(), c.item == MenuItem::kSave ? 1u : 0u) << "row " << row;
    EXPECT_EQ(app.m.ui.ended, c.item == MenuItem::kEnd) << "row " << row;
    EXPECT_EQ(app.m.ui.about_boxes.size(), c.item == MenuItem::kVersion ? 1u : 0u) << "row " << row;
    EXPECT_EQ(app.m.files.FileExists("C:\\Users\\admin\\Desktop\\PC01.tsv"),
              c.item == MenuItem::kSave)
        << "row " << row;
  }
}

TEST(ViewCommands, CheckMarkOnExactlyTheLastRunItem) {
  App app;
  app.Start();
  EXPECT_EQ(app.CheckedViewItems(), std::vector<MenuItem>{MenuItem::kShowAll});
  // Every item after every other one, "All" included.
  for (MenuItem first : kViewItems) {
    for (MenuItem second : kViewItems) {
      app.form.OnMenuCommand(first);
      app.form.OnMenuCommand(second);
      EXPECT_EQ(app.CheckedViewItems(), std::vector<MenuItem>{second});
    }
  }
}

TEST(ViewCommands, CategoryRunReplacesTheListWithoutHeaderOrSave) {
  App app;
  app.Start();
  ASSERT_FALSE(app.m.ui.rows.empty());
  app.ctx().main.next_row = 57;
  app.form.OnMenuCommand(MenuItem::kShowDrive);
  // The full run's rows are gone, no header row: only the one drive's three rows.
  ASSERT_EQ(app.m.ui.rows.size(), 3u);
  for (const auto& row : app.m.ui.rows) EXPECT_EQ(row[2], "C:\\DiskDrive");
  EXPECT_EQ(app.ctx().main.next_row, 3);
  EXPECT_EQ(app.m.ui.disabled.count(MenuItem::kSave), 0u) << "Save stays enabled";
}

TEST(ViewCommands, SaveIsEnabledByTheFirstFullRunOnly) {
  App app;
  // Automatic mode starts without a run, so Save starts disabled.
  app.Start("[setting]\r\nAUTOSAVE=1\r\nSAVETIME=60\r\n");
  for (MenuItem item : kViewItems) {
    if (item == MenuItem::kShowAll) continue;
    app.form.OnMenuCommand(item);
    EXPECT_EQ(app.m.ui.disabled.count(MenuItem::kSave), 1u);
  }
  app.form.OnMenuCommand(MenuItem::kShowAll);
  EXPECT_EQ(app.m.ui.disabled.count(MenuItem::kSave), 0u);
  app.form.OnMenuCommand(MenuItem::kShowWmi);
  EXPECT_EQ(app.m.ui.disabled.count(MenuItem::kSave), 0u);
}

void CollectTwo(Context& ctx) {
  RecordRow(ctx, std::string("A"), std::string("a"), {}, {}, {});
  RecordRow(ctx, std::string("B"), std::string("b"), {}, {}, {});
}

TEST(ViewCommands, RunsItsCollectorFromRowZero) {
  App app;
  app.Start();
  RunCategory(app.ctx(), {"two rows", MenuItem::kShowLan, CollectTwo});
  ASSERT_EQ(app.m.ui.rows.size(), 2u);
  EXPECT_EQ(app.m.ui.rows[0][1], "A");
  EXPECT_EQ(app.m.ui.rows[1][1], "B");
  EXPECT_EQ(app.ctx().main.next_row, 2);
  EXPECT_EQ(app.CheckedViewItems(), std::vector<MenuItem>{MenuItem::kShowLan});
}

TEST(SaveType, ShowsAndWritesTheChosenType) {
  struct Case {
    bool japanese;
    MenuItem item;
    const char* submenu;
    bool tab_checked;
  } cases[] = {
      {false, MenuItem::kSaveCsv, "SaveType(CSV)", false},
      {false, MenuItem::kSaveTab, "SaveType(TSV)", true},
      {true, MenuItem::kSaveCsv, "保存形式（CSV形式）", false},
      {true, MenuItem::kSaveTab, "保存形式（タブ区切り）", true},
  };
  for (const auto& c : cases) {
    App app;
    if (c.japanese) app.m.Japanese();
    // Start in the other type, with other settings that must survive.
    app.Start(c.tab_checked ? "[Setting]\r\nSaveType=CSV\r\nSAVETIME=5\r\n"
                            : "[Setting]\r\nSaveType=TSV\r\nSAVETIME=5\r\n");
    const auto rows = app.m.ui.rows;
    app.form.OnMenuCommand(c.item);
    EXPECT_EQ(app.m.ui.menu_text[MenuItem::kSaveType], c.submenu);
    EXPECT_EQ(app.m.ui.IsMenuChecked(MenuItem::kSaveTab), c.tab_checked);
    EXPECT_EQ(app.m.ui.IsMenuChecked(MenuItem::kSaveCsv), !c.tab_checked);
    EXPECT_EQ(app.Setting("SAVETYPE"), c.tab_checked ? "TSV" : "CSV");
    EXPECT_EQ(app.SettingKeys(), (std::vector<std::string>{"SaveType", "SAVETIME"}));
    EXPECT_EQ(app.m.ui.rows, rows) << "the list is not touched";
    app.form.OnMenuCommand(MenuItem::kSave);
    EXPECT_TRUE(app.m.files.FileExists(c.tab_checked ? "C:\\Users\\admin\\Desktop\\PC01.tsv"
                                                     : "C:\\Users\\admin\\Desktop\\PC01.csv"));
  }
}

TEST(AutoMode, OnAndOffLeavesZeroAndTheModeUnchanged) {
  App app;
  app.Start("[setting]\r\nAUTOSAVE=0\r\n");
  app.form.OnMenuCommand(MenuItem::kAuto);
  EXPECT_TRUE(app.m.ui.IsMenuChecked(MenuItem::kAuto));
  EXPECT_EQ(app.Setting("AUTOSAVE"), "1");
  EXPECT_EQ(app.ctx().main.settings.auto_save, AutoSave::kOff);
  // Still interactive: a save shows its rows and its message.
  app.form.OnMenuCommand(MenuItem::kSave);
  EXPECT_FALSE(app.m.ui.rows.empty());
  EXPECT_EQ(app.m.ui.messages.size(), 1u);
  app.form.OnMenuCommand(MenuItem::kAuto);
  EXPECT_FALSE(app.m.ui.IsMenuChecked(MenuItem::kAuto));
  EXPECT_EQ(app.Setting("AUTOSAVE"), "0");
  EXPECT_EQ(app.ctx().main.settings.auto_save, AutoSave::kOff);
  EXPECT_TRUE(app.m.ui.timers.empty());
}

TEST(AutoMode, CheckMarkStartsEmptyEvenInAutomaticMode) {
  App app;
  app.Start("[setting]\r\nAUTOSAVE=1\r\nSAVETIME=60\r\n");
  app.form.OnMenuCommand(MenuItem::kAuto);  // the first click always switches on
  EXPECT_EQ(app.Setting("AUTOSAVE"), "1");
  EXPECT_EQ(app.ctx().main.settings.auto_save, AutoSave::kOn);
}

TEST(SaveFolder, ProgramFolderInOtherCaseIsUsedButNotStored) {
  App app;
  app.Start("[setting]\r\nSAVEFOLDER=C:\\Users\\admin\\Desktop\r\n");
  app.m.ui.folder_answers.push_back("c:\\TOOLS\\norvale");
  app.form.OnMenuCommand(MenuItem::kFolder);
  ASSERT_EQ(app.m.ui.folder_requests.size(), 1u);
  EXPECT_EQ(app.m.ui.folder_requests[0], std::make_pair(std::string("フォルダを指定してください"),
                                                        std::string("C:\\Users\\admin\\Desktop")));
  EXPECT_EQ(app.Setting("SAVEFOLDER"), "C:\\Users\\admin\\Desktop") << "file unchanged";
  app.form.OnMenuCommand(MenuItem::kSave);
  app.form.OnMenuCommand(MenuItem::kSave);
  EXPECT_TRUE(app.m.files.FileExists("C:\\Tools\\Norvale\\PC01.tsv"));
  EXPECT_FALSE(app.m.files.FileExists("C:\\Users\\admin\\Desktop\\PC01.tsv"));
  ASSERT_EQ(app.m.ui.messages.size(), 2u);
  EXPECT_EQ(app.m.ui.messages[1].text, "saved to an 'c:\\TOOLS\\norvale\\PC01.tsv'");
}

TEST(SaveFolder, ChosenFolderIsStoredAndCancelChangesNothing) {
  struct Case {
    std::optional<std::string> answer;
    const char* in_memory;
    std::optional<std::string> stored;
  } cases[] = {
      {"D:\\out", "D:\\out", "D:\\out"},
      {"", "", ""},
      // A save has put the desktop into the run's folder; the file has none.
      {std::nullopt, "C:\\Users\\admin\\Desktop", std::nullopt},
  };
  for (const auto& c : cases) {
    App app;
    app.Start("[setting]\r\nSAVETYPE=TSV\r\n");
    app.form.OnMenuCommand(MenuItem::kSave);
    app.m.ui.folder_answers.push_back(c.answer);
    app.form.OnMenuCommand(MenuItem::kFolder);
    EXPECT_EQ(app.ctx().main.settings.folder, c.in_memory);
    EXPECT_EQ(app.Setting("SAVEFOLDER"), c.stored);
  }
}

TEST(SaveFolder, DriveRootOfTheProgramIsItsOwnFolder) {
  struct Case {
    const char* program_folder;
    const char* answer;
    bool stored;
  } cases[] = {
      {"E:", "E:\\", false},
      {"E:", "e:\\", false},
      {"E:", "E:\\out", true},
      {"C:\\Tools\\Norvale", "C:\\Tools\\Norvale\\", false},
      {"C:\\Tools\\Norvale", "C:\\Tools", true},
  };
  for (const auto& c : cases) {
    App app;
    app.m.system.program_folder = c.program_folder;
    app.m.files.AddFolder(c.program_folder);
    app.m.files.AddFolder(c.answer);
    app.Start();
    app.m.ui.folder_answers.push_back(c.answer);
    app.form.OnMenuCommand(MenuItem::kFolder);
    EXPECT_EQ(app.Setting("SAVEFOLDER").has_value(), c.stored) << c.answer;
    EXPECT_EQ(app.ctx().main.settings.folder, c.answer);
  }
}

TEST(SettingsWrite, FailureIsReportedAndTheFileKept) {
  struct Case {
    const char* name;
    bool unreadable;
    bool read_only;
  } cases[] = {{"unreadable", true, false}, {"read-only", false, true}};
  const std::string ini = "[SETTING]\r\nAUTOSAVE=0\r\nSAVEFOLDER=D:\\out\r\n[REGISTRY]\r\n01=x\r\n";
  for (const auto& c : cases) {
    App app;
    app.Start(ini);
    const std::string key = UpperAscii(app.m.SettingsFile());
    if (c.unreadable) app.m.files.unreadable.insert(key);
    if (c.read_only) app.m.files.read_only.insert(key);
    app.form.OnMenuCommand(MenuItem::kSaveCsv);
    EXPECT_EQ(app.m.files.Get(app.m.SettingsFile()), ini) << c.name;
    ASSERT_EQ(app.m.ui.messages.size(), 1u) << c.name;
    EXPECT_EQ(app.m.ui.messages[0].text, "could not write to 'C:\\Tools\\Norvale\\Norvale.ini'");
    EXPECT_EQ(app.ctx().main.settings.save_type, SaveType::kComma) << "the run keeps the choice";
  }
}

TEST(SettingsWrite, FolderTheFileCannotHoldIsRefused) {
  struct Case {
    const char* name;
    std::string ini;
    bool stored;
  } cases[] = {
      {"ANSI file", "[setting]\r\nAUTOSAVE=0\r\n", false},
      {"no file yet", "", false},
      {"UTF-16 file", std::string("\xFF\xFE[\0s\0]\0\r\0\n\0", 12), true},
  };
  for (const auto& c : cases) {
    App app;
    app.m.Japanese();
    app.m.locale.ascii_code_page = true;
    app.m.files.AddFolder("D:\\データ");
    app.Start(c.ini);
    app.m.ui.folder_answers.push_back("D:\\データ");
    app.form.OnMenuCommand(MenuItem::kFolder);
    EXPECT_EQ(app.ctx().main.settings.folder, "D:\\データ") << c.name;
    if (c.stored) {
      EXPECT_TRUE(app.m.ui.messages.empty()) << c.name;
      EXPECT_EQ(ReadProfileString(app.m.platform, "setting", "SAVEFOLDER", "", 1024,
                                  app.m.SettingsFile()),
                "D:\\データ");
    } else {
      ASSERT_EQ(app.m.ui.messages.size(), 1u) << c.name;
      EXPECT_EQ(app.m.ui.messages[0].text, "このフォルダ名は設定ファイルに保存できません");
      EXPECT_EQ(app.Setting("SAVEFOLDER"), std::nullopt) << c.name;
    }
  }
}

TEST(SaveDelay, AnswersUntilANumberOrNothing) {
  const std::optional<std::string> cancel;
  struct Case {
    std::vector<std::optional<std::string>> answers;
    std::optional<std::string> written;  // SAVETIME in the file afterwards
    std::string in_memory;
    size_t warnings;
  } cases[] = {
      {{"30"}, "30", "30", 0},
      {{"abc", "2.5"}, "2.5", "2", 1},
      {{"3.5"}, "3.5", "4", 0},
      {{" 12 "}, "12", "12", 0},
      {{"-5"}, "-5", "-5", 0},
      {{"+7"}, "+7", "7", 0},
      {{".5"}, ".5", "0", 0},
      {{""}, std::nullopt, "9", 0},
      {{cancel}, std::nullopt, "9", 0},
      {{"abc", cancel}, std::nullopt, "9", 1},
      // Only plain decimal numbers count.
      {{"1e3", "0x10", "1,000", "１２", "12s", ".", "--1", "1.2.3", "8"}, "8", "8", 8},
      // Whole numbers beyond 32 bits after rounding are refused, not written.
      {{"2147483648", "2147483647.5", "-2147483649", "99999999999999999999", "2147483647.4"},
       "2147483647.4",
       "2147483647",
       4},
      {{"-2147483648.5"}, "-2147483648.5", "-2147483648", 0},
  };
  for (const auto& c : cases) {
    const int row = static_cast<int>(&c - cases);
    App app;
    app.Start("[setting]\r\nSAVETIME=9\r\n");
    for (const auto& a : c.answers) app.m.ui.input_answers.push_back(a);
    app.form.OnMenuCommand(MenuItem::kSaveDelay);
    EXPECT_TRUE(app.m.ui.input_answers.empty()) << "row " << row << ": every answer was asked for";
    EXPECT_EQ(app.m.ui.input_requests.size(), c.answers.size()) << "row " << row;
    for (const auto& request : app.m.ui.input_requests) {
      EXPECT_EQ(request.prompt, "データを保存時に遅延を発生する場合に入力（単位:秒）");
      EXPECT_EQ(request.title, "遅延時間設定");
      EXPECT_EQ(request.default_text, "9") << "asked again with the same default";
    }
    EXPECT_EQ(app.Setting("SAVETIME").value_or("<not written>"), c.written.value_or("9"))
        << "row " << row;
    EXPECT_EQ(app.ctx().main.settings.delay.text, c.in_memory) << "row " << row;
    ASSERT_EQ(app.m.ui.messages.size(), c.warnings) << "row " << row;
    for (const auto& message : app.m.ui.messages) {
      EXPECT_EQ(message.text, "半角数字を入力してください");
      EXPECT_EQ(message.icon, platform::MessageIcon::kExclamation);
    }
  }
}

TEST(SaveDelay, NextQuestionOffersTheWholeNumberKept) {
  App app;
  app.Start();
  app.m.ui.input_answers = {"2.5", "30"};
  app.form.OnMenuCommand(MenuItem::kSaveDelay);
  app.form.OnMenuCommand(MenuItem::kSaveDelay);
  ASSERT_EQ(app.m.ui.input_requests.size(), 2u);
  EXPECT_EQ(app.m.ui.input_requests[0].default_text, "0");
  EXPECT_EQ(app.m.ui.input_requests[1].default_text, "2");
  EXPECT_EQ(app.Setting("SAVETIME"), "30");
}

TEST(Version, AboutBoxTextsPerLanguage) {
  for (bool japanese : {false, true}) {
    App app;
    if (japanese) app.m.Japanese();
    app.Start();
    app.form.OnMenuCommand(MenuItem::kVersion);
    app.form.OnMenuCommand(MenuItem::kVersion);
    ASSERT_EQ(app.m.ui.about_boxes.size(), 2u);
    const auto& box = app.m.ui.about_boxes[1];
    EXPECT_EQ(box.title, japanese ? "バージョン情報" : "Version");
    EXPECT_EQ(box.version_line, VersionText());
    EXPECT_EQ(box.maker, "KESTREL WORKS");
    EXPECT_EQ(box.ok, "OK");
  }
}

TEST(End, EndsWithoutSaving) {
  App app;
  app.Start();
  app.form.OnMenuCommand(MenuItem::kEnd);
  EXPECT_TRUE(app.m.ui.ended);
  EXPECT_TRUE(app.m.ui.messages.empty());
  EXPECT_TRUE(app.m.files.FilesIn("C:\\Users\\admin\\Desktop").empty());
}

}  // namespace
}  // namespace norvale
