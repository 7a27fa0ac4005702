// The main window's logic on a fresh fake machine: what the start-up, menu
// and save tests drive, and how they read back the files it wrote.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window_logic.h"
#include "core/profile.h"
#include "tests/fakes/fake_machine.h"

namespace norvale::testing {

struct App {
  fakes::FakeMachine m;
  MainWindowLogic form{m.platform};
  // Where rows go outside a save: the window's list.
  RowSink* const list_rows = form.context().main.rows;
  Context& ctx() { return form.context(); }

  // Starts the program, with a settings file when `ini` is given.
  void Start(std::string_view ini = {}) {
    if (!ini.empty()) m.WriteSettings(ini);
    form.Start();
  }
  // A file's bytes, "<missing>" when there is none.
  std::string Saved(const std::string& path) { return m.files.Get(path).value_or("<missing>"); }
  // A [SETTING] key of the settings file as it is now on disk.
  std::optional<std::string> Setting(const char* key) {
    const auto bytes = m.files.Get(m.SettingsFile());
    if (!bytes) return std::nullopt;
    return ProfileText(*bytes).Get("setting", key);
  }
  std::vector<std::string> SettingKeys() {
    const auto bytes = m.files.Get(m.SettingsFile());
    return bytes ? ProfileText(*bytes).Keys("setting") : std::vector<std::string>{};
  }
};

}  // namespace norvale::testing
