#include "app/main_window_logic.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "app/saving.h"
#include "core/number_format.h"
#include "core/recording.h"
#include "core/ui_texts.h"
#include "core/utf.h"
#include "core/version.h"

namespace norvale {
namespace {

using platform::MenuItem;

struct Column {
  const char* title;
  int width;
};

constexpr Column kColumns[] = {
    {"Key", 0},        {"Group", 80}, {"Item", 100},       {"SubItem", 200},
    {"Contents", 200}, {"Unit", 200}, {"Renewalday", 100},
};

constexpr int kInitialListHeight = 200;
// Windows gives no reason when the thread timer cannot be started.
constexpr std::int64_t kTimerFailure = 5;

}  // namespace

std::string MainWindowLogic::WindowsCountry() {
  const auto country = ctx_.os.locale.SystemCountryName();
  if (!country) return {};
  return UpperAscii(*country);
}

void MainWindowLogic::ShowSaveType() {
  const bool tabs = ctx_.main.settings.tab_separated();
  ctx_.os.ui.SetMenuText(MenuItem::kSaveType,
                         ctx_.Label(tabs ? kMenuSaveTypeTab : kMenuSaveTypeComma));
  ctx_.os.ui.SetMenuChecked(MenuItem::kSaveTab, tabs);
  ctx_.os.ui.SetMenuChecked(MenuItem::kSaveCsv, !tabs);
}

void MainWindowLogic::StartSaveTimer() {
  // The delay is whole seconds; a fraction rounds half to even. A delay whose
  // milliseconds do not fit a 32-bit signed number is an overflow.
  const auto seconds = ctx_.main.settings.delay.seconds;
  if (!seconds) throw Failure::TypeMismatch();
  const double rounded = RoundHalfEven(*seconds);
  const double milliseconds = rounded * 1000;
  if (milliseconds > std::numeric_limits<std::int32_t>::max() ||
      milliseconds < std::numeric_limits<std::int32_t>::min()) {
    throw Failure::Overflow();
  }
  // A negative delay means no delay rather than the longest one Windows allows.
  const auto interval = static_cast<std::uint32_t>(std::max(0.0, milliseconds));
  save_timer_ = ctx_.os.ui.SetTimer(interval, [this] { OnSaveTimer(ctx_, save_timer_); });
  if (save_timer_ == 0) throw Failure(kTimerFailure, "The timer could not be started");
}

void MainWindowLogic::StartSteps() {
  MainState& m = ctx_.main;
  platform::Platform& os = ctx_.os;

  m.country = WindowsCountry();
  if (!ctx_.IsJapanese()) {
    for (const MenuText& menu : kMenuTexts) {
      if (std::string_view(menu.text.english) != menu.text.japanese) {
        os.ui.SetMenuText(menu.item, menu.text.english);
      }
    }
  }

  m.settings = ReadSettings(os);
  ShowSaveType();

  os.ui.SetTitle(VersionText());
  m.computer_name = GetComputerNameText(ctx_);

  const std::string fonts = os.system.SpecialFolderPath(platform::SpecialFolder::kFonts);
  const bool meiryo = !fonts.empty() && os.files.FileExists(fonts + "\\meiryo.ttc");
  platform::ResultList& list =
      os.ui.CreateResultList(meiryo ? kListFontMeiryo : kListFontGothic, kInitialListHeight);
  shown_rows_.SetList(&list);
  for (int position = 0; position < kColumnCount; ++position) {
    list.AddListColumn(position, kColumns[position].title, kColumns[position].width);
  }

  m.next_row = 0;

  if (m.settings.automatic()) {
    StartSaveTimer();
  } else {
    os.ui.ShowMainWindow();
    ShowAll();
  }
}

void MainWindowLogic::Start() {
  try {
    StartSteps();
  } catch (const Failure& failure) {
    ctx_.os.ui.ShowMessage(kMessageStartFailed + failure.description(),
                           platform::MessageIcon::kNone);
    // An automatic run has no window to close and no timer to end it: once
    // the message is read it ends, and says by its exit code that it failed.
    if (ctx_.main.settings.automatic()) ctx_.os.ui.EndProgram(kExitFailure);
  }
}

void MainWindowLogic::OnResize() { ctx_.os.ui.FitListToClient(); }

void MainWindowLogic::OnClose() {
  shown_rows_.SetList(nullptr);
  ctx_.os.ui.DestroyResultList();
}

}  // namespace norvale
