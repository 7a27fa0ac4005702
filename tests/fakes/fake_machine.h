// A whole in-memory machine: every platform interface, settable from tests.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/failure.h"
#include "platform/platform.h"
#include "tests/fakes/fake_hardware.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_wmi.h"

namespace norvale::fakes {

class FakeSystem : public platform::System {
 public:
  std::string computer_name = "PC01";
  LocalDateTime now{{2026, 12, 7}, {9, 5, 3}};
  std::string program_folder = "C:\\Tools\\Norvale";
  std::string fonts_folder = "C:\\Windows\\Fonts";
  std::string desktop_folder = "C:\\Users\\admin\\Desktop";
  bool desktop_missing = false;  // the shell cannot find the desktop folder
  std::optional<std::string> temp_folder = "C:\\Temp";
  bool wow64 = true;
  std::optional<platform::VersionRecord> version;
  std::string system_directory = "C:\\Windows\\system32";
  std::optional<platform::MemoryStatus> memory;
  std::map<std::string, platform::DiskSpace> disks;
  platform::ProcessorInfo processor;
  std::vector<std::string> environment;
  std::uint32_t process_id = 4242;

  std::string ComputerName() override { return computer_name; }
  LocalDateTime Now() override { return now; }
  std::string ProgramFolder() override { return program_folder; }
  std::string SpecialFolderPath(platform::SpecialFolder folder) override;
  std::string TempFolder() override;
  std::uint32_t ProcessId() override { return process_id; }
  bool IsWow64() override { return wow64; }
  std::optional<platform::VersionRecord> Version() override { return version; }
  std::string SystemDirectory() override { return system_directory; }
  std::optional<platform::MemoryStatus> GlobalMemoryStatus() override { return memory; }
  std::optional<platform::DiskSpace> DiskFreeSpace(std::string_view root) override;
  platform::ProcessorInfo SystemInfo() override { return processor; }
  std::vector<std::string> EnvironmentBlock() override { return environment; }
  // %NAME% from `environment`, names compared without case.
  std::string ExpandEnvironmentText(std::string_view text) override;
};

// Dates as yyyy/MM/dd, times as H:mm:ss; the "ANSI code page" is UTF-8 itself.
class FakeLocale : public platform::Locale {
 public:
  std::optional<std::string> country = "United States";
  std::string decimal_separator = ".";
  bool fail_dates = false;  // ShortDate throws, to exercise recording failures

  std::optional<std::string> SystemCountryName() override { return country; }
  std::string ShortDate(const Date& date) override;
  std::string TimeText(const TimeOfDay& time) override;
  std::string DecimalSeparator() override { return decimal_separator; }
  // With `ascii_code_page` the "ANSI code page" is plain ASCII: every other
  // character becomes `default_char`, as on a system whose code page lacks
  // it. Nothing is mapped to a look-alike.
  bool ascii_code_page = false;
  char default_char = '?';
  std::string ToAnsi(std::string_view utf8) override;
  std::string FromAnsi(std::string_view ansi) override { return std::string(ansi); }
};

// Files in memory, keyed by path without regard to case, with folders.
class FakeFiles : public platform::Files {
 public:
  FakeFiles();

  std::map<std::string, std::string> files;  // upper-case path -> bytes
  std::set<std::string> folders;             // upper-case paths
  std::set<std::string> read_only;           // upper-case paths that refuse writes
  bool fail_writes = false;                  // every line write fails (disk full)
  // Line writes succeed into a buffer whose flush fails: only Close reports it.
  bool fail_flush = false;
  std::set<std::string> unreadable;             // upper-case paths that exist but cannot be read
  std::vector<std::string> copied_to;           // destinations of Copy, in order
  std::map<std::string, std::string> versions;  // upper-case path -> "a.b.c.d"
  std::set<std::string> hidden;                 // upper-case paths of hidden or system files
  std::set<std::string> in_use;                 // upper-case paths another program holds open
  int temp_counter = 0;

  void AddFolder(std::string_view path);
  void Put(std::string_view path, std::string_view bytes);
  std::optional<std::string> Get(std::string_view path) const;
  // Paths of the files directly in `folder`.
  std::vector<std::string> FilesIn(std::string_view folder) const;

  std::string CreateTempFile(std::string_view folder, std::string_view prefix) override;
  std::unique_ptr<platform::LineWriter> OpenAppend(std::string_view path) override;
  void Copy(std::string_view from, std::string_view to) override;
  void Replace(std::string_view from, std::string_view to) override;
  void Remove(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  bool FolderExists(std::string_view path) override;
  std::optional<std::string> ReadAll(std::string_view path) override;
  bool WriteAll(std::string_view path, std::string_view bytes) override;
  std::optional<std::string> FileVersion(std::string_view path) override;

 private:
  bool ParentExists(std::string_view path) const;
};

// Records what the program showed and lets tests answer its dialogs.
class FakeUi : public platform::Ui, public platform::ResultList {
 public:
  struct Message {
    std::string text;
    platform::MessageIcon icon;
  };
  struct Timer {
    std::uint32_t milliseconds;
    std::function<void()> callback;
    bool killed = false;
  };

  std::string title = "Norvale";
  std::map<platform::MenuItem, std::string> menu_text;
  std::set<platform::MenuItem> checked;
  std::set<platform::MenuItem> disabled{platform::MenuItem::kSave};
  std::vector<Message> messages;
  std::vector<std::vector<std::string>> rows;  // the list, as shown
  std::vector<std::pair<std::string, int>> columns;
  std::string list_font;
  bool list_exists = false;
  bool window_visible = false;
  bool ended = false;
  int exit_code = -1;  // -1 while the program runs
  int fit_count = 0;
  std::vector<Timer> timers;
  bool timers_fail = false;  // SetTimer answers 0, as when Windows refuses

  // ResultList
  int AddListColumn(int position, std::string_view title, int width) override;
  int AddListRow(int row, std::string_view text) override;
  bool SetListCell(int row, int column, std::string_view text) override;
  bool ClearList() override;

  // Ui
  void SetTitle(std::string_view text) override { title = text; }
  void SetMenuText(platform::MenuItem item, std::string_view text) override {
    menu_text[item] = text;
  }
  void SetMenuChecked(platform::MenuItem item, bool on) override;
  bool IsMenuChecked(platform::MenuItem item) override { return checked.count(item) > 0; }
  void SetMenuEnabled(platform::MenuItem item, bool enabled) override;
  platform::ResultList& CreateResultList(std::string_view font_face, int height) override;
  void FitListToClient() override { ++fit_count; }
  void DestroyResultList() override { list_exists = false; }
  void ShowMainWindow() override { window_visible = true; }
  void ShowMessage(std::string_view text, platform::MessageIcon icon) override {
    messages.push_back({std::string(text), icon});
  }
  std::uintptr_t SetTimer(std::uint32_t milliseconds, std::function<void()> callback) override;
  void KillTimer(std::uintptr_t id) override;
  void EndProgram(int code) override {
    if (!ended) exit_code = code;
    ended = true;
  }

  // Fires a started timer as the message loop would.
  void FireTimer(size_t index = 0);

  // Dialogs: tests queue the user's answers; what was asked is recorded.
  struct InputRequest {
    std::string prompt;
    std::string title;
    std::string default_text;
  };
  std::deque<std::optional<std::string>> input_answers;  // nullopt = Cancel
  std::vector<InputRequest> input_requests;
  std::deque<std::optional<std::string>> folder_answers;             // nullopt = Cancel
  std::vector<std::pair<std::string, std::string>> folder_requests;  // title, initial
  std::vector<platform::AboutBoxTexts> about_boxes;

  std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                      std::string_view default_text) override;
  std::optional<std::string> BrowseForFolder(std::string_view title,
                                             std::string_view initial) override;
  void ShowAboutBox(const platform::AboutBoxTexts& texts) override { about_boxes.push_back(texts); }
};

// The machine: one of each fake, and the bundle handed to the program.
struct FakeMachine {
  FakeRegistry registry;
  FakeSystem system;
  FakeLocale locale;
  FakeFiles files;
  FakeUi ui;
  FakeHardware hardware;
  FakeWmi wmi;
  FakeLocalSecurity security;
  platform::Platform platform{registry, system, locale, files, ui, hardware, wmi, security};

  FakeMachine();
  FakeMachine(const FakeMachine&) = delete;
  FakeMachine& operator=(const FakeMachine&) = delete;

  void Japanese();
  // The settings file beside the program.
  void WriteSettings(std::string_view content);
  std::string SettingsFile() const;
};

}  // namespace norvale::fakes
