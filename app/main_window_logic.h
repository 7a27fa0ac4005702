// The main window's logic: start-up, resizing, closing and its commands.
#pragma once

#include <cstdint>
#include <string>

#include "app/list_sink.h"
#include "core/context.h"

namespace norvale {

class MainWindowLogic {
 public:
  explicit MainWindowLogic(platform::Platform& os) : ctx_(os) { ctx_.main.rows = &shown_rows_; }
  // The context points at this object's list sink.
  MainWindowLogic(const MainWindowLogic&) = delete;
  MainWindowLogic& operator=(const MainWindowLogic&) = delete;

  // Start-up: language, menu texts, settings, title, list, then either the
  // automatic-mode timer or the visible window with a full run.
  void Start();
  void OnResize();
  void OnClose();
  // A menu item was chosen.
  void OnMenuCommand(platform::MenuItem item);

  // The system's country name in upper case, empty when Windows cannot say.
  std::string WindowsCountry();

  Context& context() { return ctx_; }

 private:
  void StartSteps();
  void ShowSaveType();
  void StartSaveTimer();

  // Menu commands (app/menu_commands.cpp).
  void ShowAll();
  void Save();
  void End();
  void ChooseTabSeparated();
  void ChooseCommaSeparated();
  void ToggleAutomatic();
  void ChooseSaveFolder();
  void AskSaveDelay();
  void ShowVersion();
  // One of the View items of a single category.
  void ShowCategory(platform::MenuItem item);
  void SetSaveType(SaveType save_type);
  // A settings key that could not be written is reported; the change holds
  // for this run.
  void WarnUnlessWritten(bool written);

  Context ctx_;
  // Rows go to the list, and while a save runs to its file as well.
  ListSink shown_rows_{ctx_};
  std::uintptr_t save_timer_ = 0;
};

}  // namespace norvale
