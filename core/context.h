// The shared state of one program run, owned by one object instead of globals.
#pragma once

#include <cstdint>
#include <string>

#include "core/result_labels.h"
#include "core/row_sink.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace norvale {

// The state of the program's run: settings as read at start, the rows
// recorded and where they go.
struct MainState {
  std::string country;  // the system's country name in upper case ("JAPAN")
  Settings settings;
  std::string computer_name;
  // The position of the next row recorded in the current run.
  std::int64_t next_row = 0;
  // Set by the app; with none, rows are counted and go nowhere.
  RowSink* rows = nullptr;
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
