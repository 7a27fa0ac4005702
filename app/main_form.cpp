#include "app/main_form.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/settings.h"
#include "core/full_run.h"
#include "core/number_format.h"
#include "core/recording.h"
#include "core/saving.h"
#include "core/utf.h"
#include "core/version.h"

namespace norvale {
namespace {

using platform::MenuItem;

struct MenuText {
  MenuItem item;
  const char* english;
};

// The Japanese texts are the window's own; these replace them elsewhere, in
// this order.
constexpr MenuText kEnglishMenus[] = {
    {MenuItem::kFile, "File(&F)"},
    {MenuItem::kSave, "Save(&S)"},
    {MenuItem::kEnd, "End(&E)"},
    {MenuItem::kShow, "View(&V)"},
    {MenuItem::kShowAll, "All"},
    {MenuItem::kSetting, "Settings(&S)"},
    {MenuItem::kSaveType, "SaveType"},
    {MenuItem::kSaveTab, "TSV"},
    {MenuItem::kSaveCsv, "CSV"},
    {MenuItem::kAuto, "AutoSave,AutoQuit"},
    {MenuItem::kFolder, "SaveFilder(&F)"},
    {MenuItem::kTien, "SaveDelay"},
    {MenuItem::kHelp, "Help(&H)"},
    {MenuItem::kVer, "Version(&V)"},
};

struct Column {
  const char* title;
  int width;
};

constexpr Column kColumns[] = {
    {"Key", 0},        {"Group", 80},     {"Item", 100},       {"SubItem", 200},
    {"Contents", 200}, {"Unit", 200},     {"Renewalday", 100},
};

constexpr int kInitialListHeight = 200;
// Windows gives no reason when the thread timer cannot be started.
constexpr std::int64_t kTimerFailure = 5;
constexpr size_t kSettingBuffer = 1024;

}  // namespace

std::string Form1::GetWindowsLanguage() {
  const auto country = ctx_.os.locale.SystemCountryName();
  if (!country) return {};
  return UpperAscii(*country);
}

void Form1::ShowSaveType() {
  const bool tabs = ctx_.main.SaveType == "TSV";
  ctx_.os.ui.SetMenuText(MenuItem::kSaveType,
                         tabs ? ctx_.Label("保存形式（タブ区切り）", "SaveType(TSV)")
                              : ctx_.Label("保存形式（CSV形式）", "SaveType(CSV)"));
  ctx_.os.ui.SetMenuChecked(MenuItem::kSaveTab, tabs);
  ctx_.os.ui.SetMenuChecked(MenuItem::kSaveCsv, !tabs);
}

void Form1::StartSaveTimer() {
  // The delay is whole seconds; a fraction rounds half to even. A delay whose
  // milliseconds do not fit a 32-bit signed number is an overflow.
  const auto seconds = ParseNumber(ctx_.main.SaveTime);
  if (!seconds) throw Failure::TypeMismatch();
  const double rounded = RoundHalfEven(*seconds);
  const double milliseconds = rounded * 1000;
  if (milliseconds > std::numeric_limits<std::int32_t>::max() ||
      milliseconds < std::numeric_limits<std::int32_t>::min()) {
    throw Failure::Overflow();
  }
  // A negative delay means no delay rather than the longest one Windows allows.
  const auto interval = static_cast<std::uint32_t>(std::max(0.0, milliseconds));
  ctx_.main.SaveTimerId = ctx_.os.ui.SetTimer(interval, [this] { TimerProc(ctx_); });
  if (ctx_.main.SaveTimerId == 0) throw Failure(kTimerFailure, "The timer could not be started");
}

void Form1::LoadSteps() {
  MainState& m = ctx_.main;
  platform::Platform& os = ctx_.os;

  m.WindowsLanguage = GetWindowsLanguage();
  if (!ctx_.IsJapanese()) {
    for (const MenuText& menu : kEnglishMenus) os.ui.SetMenuText(menu.item, menu.english);
  }

  const std::string ini = SettingsPath(os);
  auto read = [&](const char* key, const char* fallback) {
    return ReadProfileString(os, "setting", key, fallback, kSettingBuffer, ini);
  };
  m.AutoSave = read("AUTOSAVE", "0");
  m.SaveType = read("SAVETYPE", "TSV");
  ShowSaveType();
  m.SaveTime = read("SAVETIME", "0");
  m.SaveFolder = read("SAVEFOLDER", "");

  os.ui.SetTitle(VersionText());
  m.ComputerName = GetComputerNameText(ctx_);

  const std::string fonts = os.system.SpecialFolderPath(platform::SpecialFolder::kFonts);
  const bool meiryo = !fonts.empty() && os.files.FileExists(fonts + "\\meiryo.ttc");
  platform::ResultList& list =
      os.ui.CreateResultList(meiryo ? "メイリオ" : "ＭＳ Ｐゴシック", kInitialListHeight);
  m.ResultList = &list;
  for (int position = 0; position < kColumnCount; ++position) {
    list.AddListColumn(position, kColumns[position].title, kColumns[position].width);
  }

  m.RowIndex = 0;
  m.FileOutputOn = 0;

  if (IsAutomatic(m.AutoSave)) {
    StartSaveTimer();
  } else {
    os.ui.ShowMainWindow();
    menushowall_Click();
  }
}

void Form1::Form_Load() {
  try {
    LoadSteps();
  } catch (const Failure& failure) {
    ctx_.os.ui.ShowMessage("Form1,Load:" + failure.description(), platform::MessageIcon::kNone);
    // An automatic run has no window to close and no timer to end it: once
    // the message is read it ends, and says by its exit code that it failed.
    if (IsAutomatic(ctx_.main.AutoSave)) ctx_.os.ui.EndProgram(kExitFailure);
  }
}

void Form1::Form_Resize() { ctx_.os.ui.FitListToClient(); }

void Form1::Form_QueryUnload() {
  ctx_.main.ResultList = nullptr;
  ctx_.os.ui.DestroyResultList();
}

}  // namespace norvale
