// The settings-file reader and writer: a file read, written and read again
// says what it said, and a key the program sets reads back as set, without
// touching any other key.
#include <fuzzer/FuzzedDataProvider.h>

#include "core/profile.h"
#include "core/utf.h"
#include "fuzz/fuzz_check.h"
#include "tests/fakes/fake_machine.h"

namespace {

using norvale::ProfileText;

bool Blank(char c) { return c == ' ' || c == '\t'; }

bool WellFormed(std::string_view text) {
  return text.find('\0') == std::string_view::npos &&
         norvale::CodePointsToUtf8(norvale::Utf8ToCodePoints(text)) == text;
}

// Section and key names as the program writes them: well-formed text, not
// empty, no blanks at either end, nothing that starts a section or ends a name.
bool WritableName(std::string_view name) {
  return WellFormed(name) && !name.empty() && !Blank(name.front()) && !Blank(name.back()) &&
         name.find_first_of("[]=;\r\n") == std::string_view::npos;
}

// Values as the program writes them: one line, no blanks at either end, not
// wholly enclosed in quotes, well-formed text without NUL.
bool WritableValue(std::string_view value) {
  if (value.find_first_of("\r\n") != std::string_view::npos) return false;
  if (!value.empty() && (Blank(value.front()) || Blank(value.back()))) return false;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return false;
  }
  return WellFormed(value);
}

void CheckSameValues(const ProfileText& a, const ProfileText& b, std::string_view section) {
  const auto keys = a.Keys(section);
  FUZZ_CHECK(keys == b.Keys(section));
  for (const std::string& key : keys) FUZZ_CHECK(a.Get(section, key) == b.Get(section, key));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(24);
  const std::string key = in.ConsumeRandomLengthString(24);
  const std::string value = in.ConsumeRandomLengthString(200);
  const std::string content = in.ConsumeRemainingBytesAsString();

  // Read -> write -> read.
  const ProfileText first(content);
  const ProfileText again(first.Text());
  for (const char* name : {"SETTING", "REGISTRY", "FILEINFO"}) CheckSameValues(first, again, name);
  CheckSameValues(first, again, section);
  FUZZ_CHECK(again.Text() == first.Text());

  if (!WritableName(section) || !WritableName(key) || !WritableValue(value)) return 0;

  // One key set in memory: it reads back, the others stay.
  ProfileText changed(content);
  changed.Set(section, key, value);
  const ProfileText reread(changed.Text());
  FUZZ_CHECK(reread.Get(section, key) == value);
  for (const std::string& other : first.Keys(section)) {
    if (norvale::EqualsNoCase(other, key)) continue;
    FUZZ_CHECK(reread.Get(section, other) == first.Get(section, other));
  }
  for (const char* name : {"SETTING", "REGISTRY", "FILEINFO"}) {
    if (!norvale::EqualsNoCase(name, section)) CheckSameValues(first, reread, name);
  }

  // The same through the file, in whatever encoding its mark says.
  norvale::fakes::FakeMachine machine;
  const std::string path = "C:\\Tools\\Norvale\\Norvale.ini";
  machine.files.Put(path, content);
  if (!norvale::SetINIValue(machine.platform, section, key, value, path)) return 0;
  const std::string read =
      norvale::ReadProfileString(machine.platform, section, key, "\x01missing", 1 << 20, path);
  FUZZ_CHECK(read == value);
  return 0;
}
