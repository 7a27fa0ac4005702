// The shared state of one program run, owned by one object instead of globals.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/failure.h"
#include "core/result_labels.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace norvale {

// The state of the program's run: settings as read at start, the list and
// where rows go.
struct MainState {
  std::string country;  // the system's country name in upper case ("JAPAN")
  Settings settings;
  std::string computer_name;
  platform::ResultList* list = nullptr;  // none once the window closes
  std::int64_t next_row = 0;
  // While a save runs, every row also goes to the open result file.
  bool writing_result_file = false;
  std::unique_ptr<platform::LineWriter> result_file;
  // The first row a save could not write; the save fails with it.
  std::optional<Failure> save_row_failure;
  std::uintptr_t save_timer = 0;
};

struct Context {
  explicit Context(platform::Platform& platform_in) : os(platform_in) {}

  platform::Platform& os;
  MainState main;

  bool IsJapanese() const { return main.country == "JAPAN"; }
  // Picks the label of the interface language.
  const char* Label(const char* japanese, const char* english) const {
    return IsJapanese() ? japanese : english;
  }
  const char* Label(const LabelPair& label) const { return Label(label.japanese, label.english); }
};

}  // namespace norvale
