// The dialogs the main window owns.
#include "platform/win32/folder_chooser.h"
#include "platform/win32/input_box.h"
#include "platform/win32/main_window.h"

namespace norvale::win32 {

std::optional<std::string> MainWindow::InputBox(std::string_view prompt, std::string_view title,
                                                std::string_view default_text) {
  return win32::InputBox(hwnd_.get(), prompt, title, default_text);
}

std::optional<std::string> MainWindow::BrowseForFolder(std::string_view title,
                                                       std::string_view initial) {
  return win32::BrowseForFolder(hwnd_.get(), title, initial);
}

void MainWindow::ShowAboutBox(const platform::AboutBoxTexts& texts) {
  about_.Show(hwnd_.get(), texts);
}

}  // namespace norvale::win32
