// The main window's logic: start-up, resizing, closing and its commands.
#pragma once

#include <string>

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

  void menushowall_Click();
  void menusave_Click();
  void menuend_Click();

  Context ctx_;
};

}  // namespace norvale
