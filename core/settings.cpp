#include "core/settings.h"

#include "core/number_format.h"
#include "core/profile.h"

namespace norvale {
namespace {

// Read as "setting", written as "SETTING": profile names ignore case.
constexpr char kReadSection[] = "setting";
constexpr char kWriteSection[] = "SETTING";
constexpr char kAutoSaveKey[] = "AUTOSAVE";
constexpr char kSaveTypeKey[] = "SAVETYPE";
constexpr char kSaveTimeKey[] = "SAVETIME";
constexpr char kSaveFolderKey[] = "SAVEFOLDER";
constexpr char kTabSeparated[] = "TSV";
constexpr char kCommaSeparated[] = "CSV";
constexpr size_t kSettingBuffer = 1024;

bool Write(platform::Platform& os, const char* key, std::string_view value) {
  return SetINIValue(os, kWriteSection, key, value, SettingsPath(os));
}

}  // namespace

SaveDelay SaveDelay::FromText(std::string text) {
  const auto seconds = ParseNumber(text);
  return {std::move(text), seconds};
}

AutoSave ParseAutoSave(std::string_view text) {
  const auto number = ParseNumber(text);
  if (number && *number == 1) return AutoSave::kOn;
  // A value that is no number at all opens the window like 0 does, and then
  // saves like it too.
  if (!number || *number == 0) return AutoSave::kOff;
  return AutoSave::kNeither;
}

SaveType ParseSaveType(std::string_view text) {
  return text == kTabSeparated ? SaveType::kTab : SaveType::kComma;
}

Settings ReadSettings(platform::Platform& os) {
  const std::string path = SettingsPath(os);
  auto read = [&](const char* key, const char* fallback) {
    return ReadProfileString(os, kReadSection, key, fallback, kSettingBuffer, path);
  };
  Settings settings;
  settings.auto_save = ParseAutoSave(read(kAutoSaveKey, "0"));
  settings.save_type = ParseSaveType(read(kSaveTypeKey, kTabSeparated));
  settings.delay = SaveDelay::FromText(read(kSaveTimeKey, "0"));
  settings.folder = read(kSaveFolderKey, "");
  return settings;
}

bool WriteAutoSave(platform::Platform& os, bool on) {
  return Write(os, kAutoSaveKey, on ? "1" : "0");
}

bool WriteSaveType(platform::Platform& os, SaveType type) {
  return Write(os, kSaveTypeKey, type == SaveType::kTab ? kTabSeparated : kCommaSeparated);
}

bool WriteSaveDelay(platform::Platform& os, std::string_view text) {
  return Write(os, kSaveTimeKey, text);
}

bool WriteSaveFolder(platform::Platform& os, std::string_view folder) {
  return Write(os, kSaveFolderKey, folder);
}

}  // namespace norvale
