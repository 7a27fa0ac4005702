// The [SETTING] section of the settings file, read once into typed fields
// and written back one key at a time through the same types.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace norvale {

// AUTOSAVE: "1" runs unattended; "0", and text that is no number at all, is
// the window. Any other number also opens the window, but a save then goes
// where an unattended one would and says nothing.
enum class AutoSave { kOff, kOn, kNeither };

// SAVETYPE: exactly "TSV" is tab-separated; anything else comma-separated.
enum class SaveType { kTab, kComma };

// SAVETIME as written, and the seconds it reads as (nullopt when it is no
// plain decimal number: the unattended run then cannot start its timer).
struct SaveDelay {
  std::string text;
  std::optional<double> seconds;

  static SaveDelay FromText(std::string text);
};

struct Settings {
  AutoSave auto_save = AutoSave::kOff;
  SaveType save_type = SaveType::kTab;
  SaveDelay delay = SaveDelay::FromText("0");
  std::string folder;  // empty: the default folder of the mode

  bool automatic() const { return auto_save == AutoSave::kOn; }
  bool tab_separated() const { return save_type == SaveType::kTab; }
};

AutoSave ParseAutoSave(std::string_view text);
SaveType ParseSaveType(std::string_view text);

// The settings from the file beside the program; the defaults for anything
// missing, and for everything when there is no file.
Settings ReadSettings(platform::Platform& os);

// Each writes its key into the file beside the program, creating the file or
// section when missing. False when the file could not be written.
bool WriteAutoSave(platform::Platform& os, bool on);
bool WriteSaveType(platform::Platform& os, SaveType type);
bool WriteSaveDelay(platform::Platform& os, std::string_view text);
bool WriteSaveFolder(platform::Platform& os, std::string_view folder);

}  // namespace norvale
