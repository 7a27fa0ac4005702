// The commands of the main window's menus.
#include "app/menu_commands.h"

#include <exception>

#include "app/about_box.h"
#include "app/main_form.h"
#include "app/settings.h"
#include "collectors/hardware/devices.h"
#include "collectors/hardware/drives.h"
#include "collectors/hardware/hardware_summary.h"
#include "collectors/network/adapters.h"
#include "collectors/network/lan.h"
#include "collectors/software/applications.h"
#include "collectors/software/environment.h"
#include "collectors/software/software.h"
#include "collectors/wmi/wmi_inventory.h"
#include "core/full_run.h"
#include "core/number_format.h"
#include "core/recording.h"
#include "core/saving.h"
#include "core/utf.h"

namespace norvale {
namespace {

using platform::MenuItem;

constexpr const char* kSection = "SETTING";

// Folders compare without regard to case, and a drive root chosen as "E:\"
// is the same folder as the program's folder "E:".
bool SameFolder(std::string_view a, std::string_view b) {
  while (a.ends_with('\\')) a.remove_suffix(1);
  while (b.ends_with('\\')) b.remove_suffix(1);
  return EqualsNoCase(a, b);
}

}  // namespace

void Form1::WriteSetting(const char* key, std::string_view value) {
  const std::string path = SettingsPath(ctx_.os);
  if (!SetINIValue(ctx_.os, value, key, kSection, path)) {
    // The change holds for this run; the user learns it will not outlive it.
    ctx_.os.ui.ShowMessage(ctx_.IsJapanese() ? path + " に書き込めませんでした"
                                             : "could not write to '" + path + "'",
                           platform::MessageIcon::kExclamation);
  }
}

const std::vector<ViewCategory>& ViewCategories() {
  // The collectors each View item runs, in order. "LAN" runs the adapters
  // first: the LAN identity reads the host name and DNS servers they leave.
  static const std::vector<ViewCategory> categories{
      {MenuItem::kShowHard, {GetHardware}},       {MenuItem::kShowDrive, {GetDriveList}},
      {MenuItem::kShowLan, {GetAdapter, GetLan}}, {MenuItem::kShowSoft, {GetSoftware}},
      {MenuItem::kShowApp, {GetApplication}},     {MenuItem::kShowEnv, {GetEnvironment}},
      {MenuItem::kShowDevice, {GetDeviceList}},   {MenuItem::kShowWmi, {GetWMI}},
  };
  return categories;
}

void RunViewCategory(Context& ctx, MenuItem item, std::span<const Collector> collectors) {
  if (ctx.main.ResultList != nullptr) ctx.main.ResultList->ClearList();
  ClearViewChecks(ctx);
  ctx.os.ui.SetMenuChecked(item, true);
  ctx.main.RowIndex = 0;
  for (Collector collector : collectors) collector(ctx);
}

void Form1::menushowall_Click() { showall(ctx_); }

void Form1::ViewCategory_Click(MenuItem item) {
  for (const ViewCategory& category : ViewCategories()) {
    if (category.item == item) RunViewCategory(ctx_, item, category.collectors);
  }
}

void Form1::menusave_Click() { Datasave(ctx_); }

void Form1::menuend_Click() { ctx_.os.ui.EndProgram(kExitSuccess); }

void Form1::SetSaveType(const char* save_type) {
  WriteSetting("SAVETYPE", save_type);
  ctx_.main.SaveType = save_type;
  ShowSaveType();
}

void Form1::menusave_tab_Click() { SetSaveType("TSV"); }
void Form1::menusave_csv_Click() { SetSaveType("CSV"); }

void Form1::menuauto_Click() {
  // Only the file changes: the running program keeps the mode it started in.
  const bool on = !ctx_.os.ui.IsMenuChecked(MenuItem::kAuto);
  ctx_.os.ui.SetMenuChecked(MenuItem::kAuto, on);
  WriteSetting("AUTOSAVE", on ? "1" : "0");
}

void Form1::menufolder_Click() {
  MainState& m = ctx_.main;
  auto chosen = ctx_.os.ui.BrowseForFolder("フォルダを指定してください", m.SaveFolder);
  // Cancel leaves the run and the file as they were.
  if (!chosen) return;
  m.SaveFolder = std::move(*chosen);
  // The program's own folder is what an empty setting gives in automatic
  // mode, so it is used for this run but not stored.
  if (SameFolder(m.SaveFolder, ctx_.os.system.ProgramFolder())) return;
  if (!SettingsFileCanHold(ctx_.os, m.SaveFolder, SettingsPath(ctx_.os))) {
    // Stored mangled, the name would send the next automatic run elsewhere.
    ctx_.os.ui.ShowMessage(ctx_.Label("このフォルダ名は設定ファイルに保存できません",
                                      "this folder name cannot be stored in the settings file"),
                           platform::MessageIcon::kExclamation);
    return;
  }
  WriteSetting("SAVEFOLDER", m.SaveFolder);
}

void Form1::menutien_Click() {
  for (;;) {
    const auto answer = ctx_.os.ui.InputBox("データを保存時に遅延を発生する場合に入力（単位:秒）",
                                            "遅延時間設定", ctx_.main.SaveTime);
    if (!answer || answer->empty()) return;
    // Checked before anything is written: an answer that is no plain decimal
    // number, or too large for a whole number of seconds, is asked again.
    const auto seconds = ToInt32(*answer);
    if (!seconds) {
      ctx_.os.ui.ShowMessage("半角数字を入力してください", platform::MessageIcon::kExclamation);
      continue;
    }
    WriteSetting("SAVETIME", *answer);
    ctx_.main.SaveTime = std::to_string(*seconds);
    return;
  }
}

void Form1::menuver_Click() { ctx_.os.ui.ShowAboutBox(Form2_Load(ctx_)); }

void Form1::OnMenuCommand(MenuItem item) {
  struct Command {
    MenuItem item;
    void (Form1::*click)();
  };
  static constexpr Command kCommands[] = {
      {MenuItem::kSave, &Form1::menusave_Click},
      {MenuItem::kEnd, &Form1::menuend_Click},
      {MenuItem::kShowAll, &Form1::menushowall_Click},
      {MenuItem::kSaveTab, &Form1::menusave_tab_Click},
      {MenuItem::kSaveCsv, &Form1::menusave_csv_Click},
      {MenuItem::kAuto, &Form1::menuauto_Click},
      {MenuItem::kFolder, &Form1::menufolder_Click},
      {MenuItem::kTien, &Form1::menutien_Click},
      {MenuItem::kVer, &Form1::menuver_Click},
  };
  // Every collector and the save guard themselves; this only keeps a fault
  // nobody foresaw from taking the window down with it.
  try {
    for (const Command& command : kCommands) {
      if (command.item == item) (this->*command.click)();
    }
    ViewCategory_Click(item);
  } catch (const Failure& failure) {
    ctx_.os.ui.ShowMessage("Form1,Menu:" + failure.description(), platform::MessageIcon::kCritical);
  } catch (const std::exception& e) {
    ctx_.os.ui.ShowMessage(std::string("Form1,Menu:") + e.what(), platform::MessageIcon::kCritical);
  }
}

}  // namespace norvale
