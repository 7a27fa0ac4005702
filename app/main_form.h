// The main window's logic: start-up, resizing, closing and its commands.
#pragma once

#include <string>
#include <string_view>

#include "core/context.h"

namespace norvale {

class Form1 {
 public:
  explicit Form1(platform::Platform& os) : ctx_(os) {}

  // Start-up: language, menu texts, settings, title, list, then either the
  // automatic-mode timer or the visible window with a full run.
  void Form_Load();
  void Form_Resize();
  void Form_QueryUnload();
  // A menu item was chosen.
  void OnMenuCommand(platform::MenuItem item);

  std::string GetWindowsLanguage();

  Context& context() { return ctx_; }

 private:
  void LoadSteps();
  void ShowSaveType();
  void StartSaveTimer();

  // Menu commands (app/menu_commands.cpp).
  void menushowall_Click();
  void menusave_Click();
  void menuend_Click();
  void menusave_tab_Click();
  void menusave_csv_Click();
  void menuauto_Click();
  void menufolder_Click();
  void menutien_Click();
  void menuver_Click();
  // One of the eight single-category View items.
  void ViewCategory_Click(platform::MenuItem item);
  void SetSaveType(const char* save_type);
  // Writes one key of the settings file; a failed write is reported.
  void WriteSetting(const char* key, std::string_view value);

  Context ctx_;
};

}  // namespace norvale
