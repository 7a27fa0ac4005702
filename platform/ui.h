// The main window, its menus and list, and the dialogs the program shows.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace norvale::platform {

enum class MenuItem {
  kFile,
  kSave,
  kEnd,
  kView,
  kShowAll,
  kShowHard,
  kShowDrive,
  kShowLan,
  kShowSoft,
  kShowApp,
  kShowEnv,
  kShowDevice,
  kShowWmi,
  kSetting,
  kSaveType,
  kSaveTab,
  kSaveCsv,
  kAuto,
  kFolder,
  kSaveDelay,
  kHelp,
  kVersion,
};

enum class MessageIcon { kNone, kInformation, kExclamation, kCritical };

// What the about box shows; the texts are decided by the program, the window
// only lays them out.
struct AboutBoxTexts {
  std::string title;
  std::string version_line;
  std::string maker;
  std::string ok;
};

// The report list that fills the main window.
class ResultList {
 public:
  virtual ~ResultList() = default;
  virtual int AddListColumn(int position, std::string_view title, int width) = 0;
  virtual int AddListRow(int row, std::string_view text) = 0;
  virtual bool SetListCell(int row, int column, std::string_view text) = 0;
  virtual bool ClearList() = 0;
};

class Ui {
 public:
  virtual ~Ui() = default;

  virtual void SetTitle(std::string_view title) = 0;
  virtual void SetMenuText(MenuItem item, std::string_view text) = 0;
  virtual void SetMenuChecked(MenuItem item, bool checked) = 0;
  virtual bool IsMenuChecked(MenuItem item) = 0;
  virtual void SetMenuEnabled(MenuItem item, bool enabled) = 0;

  // Creates the list with the given font face (12 pixels high) at the top of
  // the client area, `height` pixels high and as wide as the client area.
  virtual ResultList& CreateResultList(std::string_view font_face, int height) = 0;
  // Fits the list to the whole client area.
  virtual void FitListToClient() = 0;
  // Destroys the list and its font.
  virtual void DestroyResultList() = 0;
  virtual void ShowMainWindow() = 0;

  // A modal message box with the OK button and the title "Norvale".
  virtual void ShowMessage(std::string_view text, MessageIcon icon) = 0;

  // A one-shot thread timer without a window; `callback` runs on the message
  // loop. Returns the timer's id, 0 when it could not be started.
  virtual std::uintptr_t SetTimer(std::uint32_t milliseconds, std::function<void()> callback) = 0;
  virtual void KillTimer(std::uintptr_t id) = 0;

  // Closes the main window (its unload handling runs) and ends the message
  // loop; the process ends with `exit_code`.
  virtual void EndProgram(int exit_code) = 0;

  // A modal input box: the prompt, an edit field holding `default_text`, OK
  // and Cancel. The text as typed on OK (possibly empty); nullopt on Cancel.
  virtual std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                              std::string_view default_text) = 0;
  // The shell's folder chooser owned by the main window, opening with
  // `initial` selected (nothing selected when empty). The chosen folder;
  // nullopt when the user cancels; empty when the chosen item has no
  // file-system path.
  virtual std::optional<std::string> BrowseForFolder(std::string_view title,
                                                     std::string_view initial) = 0;
  // Shows the modeless about box, or brings the one already open to the front.
  virtual void ShowAboutBox(const AboutBoxTexts& texts) = 0;
};

}  // namespace norvale::platform
