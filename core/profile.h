// The settings file "Norvale.ini": Windows profile rules, portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace norvale {

// The text of a profile file and the rules Windows reads and writes it by:
// section and key names match without regard to case, the first of
// duplicates wins, blanks around names and values do not count, and a value
// wholly enclosed in matching quotes is read without them.
class ProfileText {
 public:
  explicit ProfileText(std::string_view utf8_content);

  // The value, or nullopt when the section or key is missing (or the key
  // line has no "=").
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // The keys of a section in file order; empty when the section is missing.
  std::vector<std::string> Keys(std::string_view section) const;
  // Sets one key; a missing section is added at the end with the name as given.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // The whole text, lines ending in CRLF.
  std::string Text() const;

 private:
  struct Line {
    std::string raw;
    std::string section;  // name between brackets, for a section line
    std::string key;      // for a key line
    std::optional<std::string> value;
    bool is_section = false;
  };
  static Line Parse(std::string_view raw);
  // Index of the first line of the section's body, or nullopt.
  std::optional<size_t> FindSection(std::string_view section) const;

  std::vector<Line> lines_;
};

// The settings file beside the program.
std::string SettingsPath(platform::Platform& os);

// Reads one key as GetPrivateProfileString does: `fallback` when missing, at
// most `size` - 1 characters.
std::string ReadProfileString(platform::Platform& os, std::string_view section,
                              std::string_view key, std::string_view fallback, size_t size,
                              std::string_view path);

// Writes one key, creating the file and the section when missing. False when
// the file could not be written, when it exists but could not be read whole
// (it is then left as it is), or when its encoding cannot hold `value`.
bool SetINIValue(platform::Platform& os, std::string_view section, std::string_view key,
                 std::string_view value, std::string_view path);

// False when the settings file's encoding (the ANSI code page, unless the
// file is Unicode) cannot hold `text` unchanged. True when the file cannot be
// read: the write then fails for that reason instead.
bool SettingsFileCanHold(platform::Platform& os, std::string_view text, std::string_view path);

}  // namespace norvale
