// The shared state of one program run, owned by one object instead of globals.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/result_labels.h"
#include "platform/platform.h"

namespace norvale {

// The main module's state: settings as read at start, the list, recording.
struct MainState {
  std::string WindowsLanguage;
  std::string AutoSave = "0";
  std::string SaveType = "TSV";
  std::string SaveTime = "0";
  std::string SaveFolder;
  std::string ComputerName;
  platform::ResultList* ResultList = nullptr;
  std::int64_t RowIndex = 0;
  int FileOutputOn = 0;
  std::unique_ptr<platform::LineWriter> ResultFileNumber;
  std::uintptr_t SaveTimerId = 0;
};

// Left behind by the adapter collector for the LAN identity collector.
struct AdapterState {
  std::string LanHostName;
  std::string LanPrimaryDns;
  std::string LanSecondaryDns;
};

struct SoftState {
  std::string ServicePackText;
};

struct Context {
  explicit Context(platform::Platform& platform_in) : os(platform_in) {}

  platform::Platform& os;
  MainState main;
  AdapterState adapter;
  SoftState soft;

  bool IsJapanese() const { return main.WindowsLanguage == "JAPAN"; }
  // Picks the label of the interface language.
  const char* Label(const char* japanese, const char* english) const {
    return IsJapanese() ? japanese : english;
  }
  const char* Label(const LabelPair& label) const { return Label(label.japanese, label.english); }
};

}  // namespace norvale
