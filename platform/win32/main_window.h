// The main window: menu bar, the report list, message boxes and the thread
// timer of automatic mode.
#pragma once

#include <windows.h>

#include <functional>
#include <map>

#include "platform/ui.h"
#include "platform/win32/about_box.h"
#include "platform/win32/scoped_handle.h"

namespace norvale::win32 {

class MainWindow : public platform::Ui, public platform::ResultList {
 public:
  // Events the window passes on to the program's logic.
  struct Handlers {
    std::function<void()> resize;
    std::function<void()> query_unload;
    std::function<void(platform::MenuItem)> command;
  };

  explicit MainWindow(HINSTANCE instance);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the (hidden) window with its menus; false when Windows refuses.
  bool Create(Handlers handlers);
  HWND hwnd() const { return hwnd_.get(); }
  int RunMessageLoop();

  // ResultList
  int AddListColumn(int position, std::string_view title, int width) override;
  int AddListRow(int row, std::string_view text) override;
  bool SetListCell(int row, int column, std::string_view text) override;
  bool ClearList() override;

  // Ui
  void SetTitle(std::string_view title) override;
  void SetMenuText(platform::MenuItem item, std::string_view text) override;
  void SetMenuChecked(platform::MenuItem item, bool checked) override;
  bool IsMenuChecked(platform::MenuItem item) override;
  void SetMenuEnabled(platform::MenuItem item, bool enabled) override;
  platform::ResultList& CreateResultList(std::string_view font_face, int height) override;
  void FitListToClient() override;
  void DestroyResultList() override;
  void ShowMainWindow() override;
  void ShowMessage(std::string_view text, platform::MessageIcon icon) override;
  std::uintptr_t SetTimer(std::uint32_t milliseconds, std::function<void()> callback) override;
  void KillTimer(std::uintptr_t id) override;
  void EndProgram(int exit_code) override;
  // Dialogs (main_window_dialogs.cpp).
  std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                      std::string_view default_text) override;
  std::optional<std::string> BrowseForFolder(std::string_view title,
                                             std::string_view initial) override;
  void ShowAboutBox(const platform::AboutBoxTexts& texts) override;

 private:
  // Where a menu item lives: popups are addressed by position in their parent.
  struct MenuSlot {
    HMENU parent = nullptr;
    UINT position = 0;
    bool is_popup = false;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static void CALLBACK TimerCallback(HWND hwnd, UINT message, UINT_PTR id, DWORD time);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  MenuHandle BuildMenus();

  HINSTANCE instance_;
  WindowHandle hwnd_;
  WindowHandle list_;
  FontHandle list_font_;
  IconHandle icon_big_;
  IconHandle icon_small_;
  int exit_code_ = 0;
  bool unloaded_ = false;
  Handlers handlers_;
  std::map<platform::MenuItem, MenuSlot> menus_;
  std::map<UINT_PTR, std::function<void()>> timers_;
  AboutBox about_;
  static MainWindow* instance_window_;
};

}  // namespace norvale::win32
