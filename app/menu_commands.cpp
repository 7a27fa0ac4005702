// The commands of the main window's menus.

#include <exception>

#include "app/about_box.h"
#include "app/collector_table.h"
#include "app/full_run.h"
#include "app/main_window_logic.h"
#include "app/saving.h"
#include "core/failure.h"
#include "core/number_format.h"
#include "core/profile.h"
#include "core/ui_texts.h"
#include "core/utf.h"

namespace norvale {

using platform::MenuItem;

namespace {

// Folders compare without regard to case, and a drive root chosen as "E:\"
// is the same folder as the program's folder "E:".
bool SameFolder(std::string_view a, std::string_view b) {
  while (a.ends_with('\\')) a.remove_suffix(1);
  while (b.ends_with('\\')) b.remove_suffix(1);
  return EqualsNoCase(a, b);
}

}  // namespace

void MainWindowLogic::WarnUnlessWritten(bool written) {
  if (written) return;
  // The change holds for this run; the user learns it will not outlive it.
  const std::string path = SettingsPath(ctx_.os);
  ctx_.os.ui.ShowMessage(
      ctx_.IsJapanese() ? path + kMessageNotWrittenJapaneseSuffix
                        : kMessageNotWrittenEnglishPrefix + path + kMessageNotWrittenEnglishSuffix,
      platform::MessageIcon::kExclamation);
}

void MainWindowLogic::ShowAll() { RunFullCollection(ctx_); }

void MainWindowLogic::ShowCategory(MenuItem item) {
  for (const CollectorEntry& entry : CollectorTable()) {
    if (entry.view_item == item) RunCategory(ctx_, entry);
  }
}

void MainWindowLogic::Save() { SaveResultFile(ctx_); }

void MainWindowLogic::End() { ctx_.os.ui.EndProgram(kExitSuccess); }

void MainWindowLogic::SetSaveType(SaveType save_type) {
  WarnUnlessWritten(WriteSaveType(ctx_.os, save_type));
  ctx_.main.settings.save_type = save_type;
  ShowSaveType();
}

void MainWindowLogic::ChooseTabSeparated() { SetSaveType(SaveType::kTab); }
void MainWindowLogic::ChooseCommaSeparated() { SetSaveType(SaveType::kComma); }

void MainWindowLogic::ToggleAutomatic() {
  // Only the file changes: the running program keeps the mode it started in.
  const bool on = !ctx_.os.ui.IsMenuChecked(MenuItem::kAuto);
  ctx_.os.ui.SetMenuChecked(MenuItem::kAuto, on);
  WarnUnlessWritten(WriteAutoSave(ctx_.os, on));
}

void MainWindowLogic::ChooseSaveFolder() {
  auto chosen = ctx_.os.ui.BrowseForFolder(kFolderChooserTitle, ctx_.main.settings.folder);
  // Cancel leaves the run and the file as they were.
  if (!chosen) return;
  const std::string& folder = ctx_.main.settings.folder = std::move(*chosen);
  // The program's own folder is what an empty setting gives in automatic
  // mode, so it is used for this run but not stored.
  if (SameFolder(folder, ctx_.os.system.ProgramFolder())) return;
  if (!SettingsFileCanHold(ctx_.os, folder, SettingsPath(ctx_.os))) {
    // Stored mangled, the name would send the next automatic run elsewhere.
    ctx_.os.ui.ShowMessage(ctx_.Label(kMessageFolderNotStorable),
                           platform::MessageIcon::kExclamation);
    return;
  }
  WarnUnlessWritten(WriteSaveFolder(ctx_.os, folder));
}

void MainWindowLogic::AskSaveDelay() {
  for (;;) {
    const auto answer =
        ctx_.os.ui.InputBox(kDelayPrompt, kDelayTitle, ctx_.main.settings.delay.text);
    if (!answer || answer->empty()) return;
    // Checked before anything is written: an answer that is no plain decimal
    // number, or too large for a whole number of seconds, is asked again.
    const auto seconds = ToInt32(*answer);
    if (!seconds) {
      ctx_.os.ui.ShowMessage(kDelayNotANumber, platform::MessageIcon::kExclamation);
      continue;
    }
    // The answer is stored as typed; the running program keeps the number.
    WarnUnlessWritten(WriteSaveDelay(ctx_.os, *answer));
    ctx_.main.settings.delay = SaveDelay::FromText(std::to_string(*seconds));
    return;
  }
}

void MainWindowLogic::ShowVersion() { ctx_.os.ui.ShowAboutBox(AboutBoxTextsFor(ctx_)); }

void MainWindowLogic::OnMenuCommand(MenuItem item) {
  struct Command {
    MenuItem item;
    void (MainWindowLogic::*run)();
  };
  static constexpr Command kCommands[] = {
      {MenuItem::kSave, &MainWindowLogic::Save},
      {MenuItem::kEnd, &MainWindowLogic::End},
      {MenuItem::kShowAll, &MainWindowLogic::ShowAll},
      {MenuItem::kSaveTab, &MainWindowLogic::ChooseTabSeparated},
      {MenuItem::kSaveCsv, &MainWindowLogic::ChooseCommaSeparated},
      {MenuItem::kAuto, &MainWindowLogic::ToggleAutomatic},
      {MenuItem::kFolder, &MainWindowLogic::ChooseSaveFolder},
      {MenuItem::kSaveDelay, &MainWindowLogic::AskSaveDelay},
      {MenuItem::kVersion, &MainWindowLogic::ShowVersion},
  };
  // Every collector and the save guard themselves; this only keeps a fault
  // nobody foresaw from taking the window down with it.
  try {
    for (const Command& command : kCommands) {
      if (command.item == item) (this->*command.run)();
    }
    ShowCategory(item);
  } catch (const Failure& failure) {
    ctx_.os.ui.ShowMessage(kMessageMenuFailed + failure.description(),
                           platform::MessageIcon::kCritical);
  } catch (const std::exception& e) {
    ctx_.os.ui.ShowMessage(std::string(kMessageMenuFailed) + e.what(),
                           platform::MessageIcon::kCritical);
  }
}

}  // namespace norvale
