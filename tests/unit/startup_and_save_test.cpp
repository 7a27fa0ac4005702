#include <gtest/gtest.h>

#include <iterator>
#include <map>

#include "app/main_window_logic.h"
#include "app/saving.h"
#include "core/ui_texts.h"
#include "core/version.h"
#include "tests/fakes/fake_machine.h"
#include "tests/unit/app_world.h"

namespace norvale {
namespace {

using platform::MenuItem;

using testing::App;

TEST(MenuTexts, EveryItemOnceInMenuOrder) {
  ASSERT_EQ(std::size(kMenuTexts), static_cast<size_t>(MenuItem::kVersion) + 1);
  for (size_t i = 0; i < std::size(kMenuTexts); ++i) {
    EXPECT_EQ(static_cast<size_t>(kMenuTexts[i].item), i) << kMenuTexts[i].text.english;
  }
}

TEST(FormLoad, EnglishSystemGetsEnglishMenus) {
  App app;
  app.form.Start();
  const std::map<MenuItem, std::string> want = {
      {MenuItem::kFile, "File(&F)"},
      {MenuItem::kSave, "Save(&S)"},
      {MenuItem::kEnd, "End(&E)"},
      {MenuItem::kView, "View(&V)"},
      {MenuItem::kShowAll, "All"},
      {MenuItem::kSetting, "Settings(&S)"},
      {MenuItem::kSaveType, "SaveType(TSV)"},  // the current type, set after the menus
      {MenuItem::kSaveTab, "TSV"},
      {MenuItem::kSaveCsv, "CSV"},
      {MenuItem::kAuto, "AutoSave,AutoQuit"},
      {MenuItem::kFolder, "SaveFilder(&F)"},
      {MenuItem::kSaveDelay, "SaveDelay"},
      {MenuItem::kHelp, "Help(&H)"},
      {MenuItem::kVersion, "Version(&V)"},
  };
  EXPECT_EQ(app.m.ui.menu_text, want);  // the category items keep their texts
}

TEST(FormLoad, WithoutSettingsStartsInteractiveInEnglish) {
  App app;
  app.form.Start();
  auto& ui = app.m.ui;
  EXPECT_EQ(ui.title, VersionText());
  EXPECT_EQ(ui.menu_text[MenuItem::kFile], "File(&F)");
  EXPECT_EQ(ui.menu_text[MenuItem::kFolder], "SaveFilder(&F)");
  EXPECT_EQ(ui.menu_text[MenuItem::kSaveType], "SaveType(TSV)");
  EXPECT_EQ(ui.menu_text.count(MenuItem::kShowHard), 0u);  // category items keep their texts
  EXPECT_TRUE(ui.IsMenuChecked(MenuItem::kSaveTab));
  EXPECT_FALSE(ui.IsMenuChecked(MenuItem::kSaveCsv));
  EXPECT_FALSE(ui.IsMenuChecked(MenuItem::kAuto));
  EXPECT_TRUE(ui.window_visible);
  EXPECT_EQ(ui.list_font, "ＭＳ Ｐゴシック");
  ASSERT_EQ(ui.columns.size(), 7u);
  EXPECT_EQ(ui.columns[0], std::make_pair(std::string("Key"), 0));
  EXPECT_EQ(ui.columns[6], std::make_pair(std::string("Renewalday"), 100));
  // The full run: header row first, Save enabled, "All" checked.
  ASSERT_FALSE(ui.rows.empty());
  EXPECT_EQ(ui.rows[0], (std::vector<std::string>{"PC01", "Create", "DateTime", "2026/12/07",
                                                  "9:05:03", VersionText(), "2026/12/07"}));
  EXPECT_EQ(ui.disabled.count(MenuItem::kSave), 0u);
  EXPECT_TRUE(ui.IsMenuChecked(MenuItem::kShowAll));
  EXPECT_TRUE(ui.timers.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST(FormLoad, LanguageFollowsTheSystemCountry) {
  struct Case {
    std::optional<std::string> country;
    bool japanese;
  } cases[] = {{"Japan", true},
               {"JAPAN", true},
               {"United States", false},
               {std::nullopt, false},
               {"", false}};
  for (const auto& c : cases) {
    App app;
    app.m.locale.country = c.country;
    app.m.files.Put("C:\\Windows\\Fonts\\meiryo.ttc", "");
    app.form.Start();
    EXPECT_EQ(app.m.ui.menu_text.count(MenuItem::kFile) == 0, c.japanese)
        << c.country.value_or("-");
    EXPECT_EQ(app.m.ui.list_font, "メイリオ");
    if (c.japanese) {
      EXPECT_EQ(app.m.ui.menu_text[MenuItem::kSaveType], "保存形式（タブ区切り）");
    }
  }
}

TEST(FormLoad, SaveTypeAndAutomaticModeFromSettings) {
  struct Case {
    const char* ini;
    bool csv;
    bool automatic;
    std::optional<std::uint32_t> timer_ms;
    const char* message;
  } cases[] = {
      {"[setting]\nSAVETYPE=tsv\n", true, false, {}, nullptr},
      {"[Setting]\nsavetype=CSV\nAUTOSAVE=2\n", true, false, {}, nullptr},
      {"[SETTING]\nSAVETYPE=xyz\nAUTOSAVE=0\n", true, false, {}, nullptr},
      {"[setting]\nAUTOSAVE=1\nSAVETIME=0\n", false, true, 0u, nullptr},
      {"[setting]\nAUTOSAVE=1\nSAVETIME=2.5\n", false, true, 2000u, nullptr},
      {"[setting]\nAUTOSAVE=1\nSAVETIME=2147483\n", false, true, 2147483000u, nullptr},
      {"[setting]\nAUTOSAVE=1\nSAVETIME=2147484\n", false, true, {}, "Form1,Load:Overflow"},
      {"[setting]\nAUTOSAVE=1\nSAVETIME=soon\n", false, true, {}, "Form1,Load:Type mismatch"},
      {"[setting]\nAUTOSAVE=1\nSAVETIME=-5\n", false, true, 0u, nullptr},
  };
  for (const auto& c : cases) {
    App app;
    app.m.WriteSettings(c.ini);
    app.form.Start();
    auto& ui = app.m.ui;
    EXPECT_EQ(ui.IsMenuChecked(MenuItem::kSaveCsv), c.csv) << c.ini;
    EXPECT_EQ(ui.window_visible, !c.automatic) << c.ini;
    if (c.automatic) {
      EXPECT_TRUE(ui.rows.empty()) << "no collection before the timer";
    }
    EXPECT_EQ(ui.timers.empty(), !c.timer_ms.has_value()) << c.ini;
    if (c.timer_ms && !ui.timers.empty()) {
      EXPECT_EQ(ui.timers[0].milliseconds, *c.timer_ms);
    }
    if (c.message) {
      ASSERT_EQ(ui.messages.size(), 1u) << c.ini;
      EXPECT_EQ(ui.messages[0].text, c.message);
    } else {
      EXPECT_TRUE(ui.messages.empty()) << c.ini;
    }
  }
}

TEST(SaveResultFile, InteractiveSaveGoesToTheDesktopAndSaysSo) {
  App app;
  app.form.Start();
  app.form.OnMenuCommand(MenuItem::kSave);
  const std::string file = app.Saved("C:\\Users\\admin\\Desktop\\PC01.tsv");
  EXPECT_TRUE(file.starts_with("PC01\tCreate\tDateTime\t2026/12/07\t9:05:03\t" + VersionText() +
                               "\t2026/12/07\r\n"));
  ASSERT_EQ(app.m.ui.messages.size(), 1u);
  EXPECT_EQ(app.m.ui.messages[0].text, "saved to an 'C:\\Users\\admin\\Desktop\\PC01.tsv'");
  EXPECT_EQ(app.m.ui.messages[0].icon, platform::MessageIcon::kInformation);
  EXPECT_EQ(app.ctx().main.settings.folder, "C:\\Users\\admin\\Desktop");
  EXPECT_EQ(app.ctx().main.rows, app.list_rows);
  EXPECT_TRUE(app.m.files.FilesIn("C:\\Temp").empty());
  EXPECT_EQ(app.m.files.FilesIn("C:\\Users\\admin\\Desktop").size(), 1u);
}

TEST(SaveResultFile, JapaneseCsvMessageAndOverwrite) {
  App app;
  app.m.Japanese();
  app.m.files.AddFolder("D:\\out");
  app.m.files.Put("D:\\out\\PC01.csv", "old contents");
  app.m.WriteSettings("[setting]\r\nSAVETYPE=CSV\r\nSAVEFOLDER=D:\\out\r\n");
  app.form.Start();
  app.form.OnMenuCommand(MenuItem::kSave);
  EXPECT_TRUE(app.Saved("D:\\out\\PC01.csv").starts_with("PC01,Create,DateTime,"));
  ASSERT_EQ(app.m.ui.messages.size(), 1u);
  EXPECT_EQ(app.m.ui.messages[0].text, "D:\\out\\PC01.csv に保存しました");
}

TEST(SaveResultFile, MissingFolderLeavesErrorRowAndNoFiles) {
  App app;
  app.m.WriteSettings("[setting]\r\nSAVEFOLDER=Q:\\missing\r\n");
  app.form.Start();
  app.form.OnMenuCommand(MenuItem::kSave);
  ASSERT_EQ(app.m.ui.messages.size(), 1u);
  EXPECT_EQ(app.m.ui.messages[0].text, "not saved:Path not found");
  EXPECT_EQ(app.ctx().main.rows, app.list_rows);
  EXPECT_TRUE(app.m.files.FilesIn("C:\\Temp").empty());
  const auto& last = app.m.ui.rows.back();
  EXPECT_EQ(last[1], "Datasave");
  EXPECT_EQ(last[2], "error");
  EXPECT_EQ(last[3], "mMain");
  EXPECT_EQ(last[5], "Path not found");
  // The rows after a failed save are not written anywhere.
  app.form.OnMenuCommand(MenuItem::kShowAll);
  EXPECT_EQ(app.m.ui.rows.front()[1], "Create");
  for (const auto& row : app.m.ui.rows) EXPECT_NE(row[1], "Datasave");
  EXPECT_EQ(app.ctx().main.rows, app.list_rows);
  EXPECT_TRUE(app.m.files.FilesIn("C:\\Temp").empty());
}

TEST(SaveResultFile, MissingDesktopIsAnErrorNotASaveAtTheDriveRoot) {
  App app;
  app.m.system.desktop_missing = true;
  app.form.Start();
  app.form.OnMenuCommand(MenuItem::kSave);
  EXPECT_EQ(app.Saved("\\PC01.tsv"), "<missing>");
  const auto& last = app.m.ui.rows.back();
  EXPECT_EQ(std::vector<std::string>(last.begin() + 1, last.begin() + 4),
            (std::vector<std::string>{"Datasave", "error", "mMain"}));
  EXPECT_EQ(app.ctx().main.settings.folder, "");  // the next save asks the shell again
  EXPECT_TRUE(app.m.files.FilesIn("C:\\Temp").empty());
}

TEST(SaveResultFile, RefusedReplaceKeepsThePreviousResult) {
  App app;
  app.m.files.AddFolder("D:\\out");
  app.m.files.Put("D:\\out\\PC01.tsv", "previous");
  app.m.files.read_only.insert("D:\\OUT\\PC01.TSV");
  app.m.WriteSettings("[setting]\r\nSAVEFOLDER=D:\\out\r\n");
  app.form.Start();
  app.form.OnMenuCommand(MenuItem::kSave);
  EXPECT_EQ(app.Saved("D:\\out\\PC01.tsv"), "previous");
  EXPECT_EQ(app.m.files.FilesIn("D:\\out").size(), 1u) << "no partial copy left behind";
  EXPECT_EQ(app.m.ui.rows.back()[1], "Datasave");
}

TEST(OnSaveTimer, AutomaticRunSavesBesideTheProgramAndEnds) {
  App app;
  app.m.WriteSettings("[setting]\r\nAUTOSAVE=1\r\nSAVETIME=3\r\n");
  app.form.Start();
  ASSERT_EQ(app.m.ui.timers.size(), 1u);
  EXPECT_EQ(app.m.ui.timers[0].milliseconds, 3000u);
  app.m.ui.FireTimer();
  EXPECT_TRUE(app.m.ui.timers[0].killed);
  EXPECT_TRUE(app.m.ui.ended);
  EXPECT_EQ(app.m.ui.exit_code, kExitSuccess);
  EXPECT_TRUE(app.m.ui.messages.empty());
  EXPECT_TRUE(app.m.ui.rows.empty());
  EXPECT_TRUE(app.Saved("C:\\Tools\\Norvale\\PC01.tsv").starts_with("PC01\tCreate\t"));
}

TEST(OnSaveTimer, FailingTempFolderStillEnds) {
  App app;
  app.m.system.temp_folder.reset();
  app.m.WriteSettings("[setting]\r\nAUTOSAVE=1\r\n");
  app.form.Start();
  app.m.ui.FireTimer();
  EXPECT_TRUE(app.m.ui.ended);
  EXPECT_EQ(app.m.ui.exit_code, kExitFailure);
  EXPECT_EQ(app.ctx().main.rows, app.list_rows);
  EXPECT_FALSE(app.m.files.FileExists("C:\\Tools\\Norvale\\PC01.tsv"));
}

}  // namespace
}  // namespace norvale
