#include "tests/fakes/fake_machine.h"

#include <cstdio>

#include "core/utf.h"

namespace norvale::fakes {
namespace {

std::string Key(std::string_view path) { return UpperAscii(path); }

std::string ParentOf(std::string_view path) {
  const auto slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

class FakeWriter : public platform::LineWriter {
 public:
  FakeWriter(FakeFiles& files, std::string key) : files_(files), key_(std::move(key)) {}
  void Write(std::string_view bytes) override {
    if (closed_ || files_.fail_writes) throw Failure::DiskFull();
    if (!files_.fail_flush) files_.files[key_] += bytes;
  }
  void Close() override {
    closed_ = true;
    if (files_.fail_flush) throw Failure::DiskFull();
  }

 private:
  FakeFiles& files_;
  std::string key_;
  bool closed_ = false;
};

}  // namespace

std::string FakeSystem::SpecialFolderPath(platform::SpecialFolder folder) {
  if (folder == platform::SpecialFolder::kFonts) return fonts_folder;
  if (desktop_missing) throw Failure(-2147024894, "The system cannot find the file specified.");
  return desktop_folder;
}

std::string FakeSystem::ExpandEnvironmentText(std::string_view text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('%', at);
    const size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text.substr(at, open - at));
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const std::string* value = nullptr;
    for (const std::string& entry : environment) {
      const size_t eq = entry.find('=', 1);
      if (eq != std::string::npos && EqualsNoCase(std::string_view(entry).substr(0, eq), name)) {
        value = &entry;
        out.append(entry.substr(eq + 1));
        break;
      }
    }
    if (value == nullptr) {
      // Left as written; its closing % may open the next name.
      out.append(text.substr(open, close - open));
      at = close;
    } else {
      at = close + 1;
    }
  }
  out.append(text.substr(at));
  return out;
}

std::string FakeSystem::TempFolder() {
  if (!temp_folder) throw Failure::PathNotFound();
  return *temp_folder;
}

std::optional<platform::DiskSpace> FakeSystem::DiskFreeSpace(std::string_view root) {
  auto it = disks.find(UpperAscii(root));
  if (it == disks.end()) return std::nullopt;
  return it->second;
}

std::string FakeLocale::ShortDate(const Date& date) {
  if (fail_dates) throw Failure::InvalidCall();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", date.year, date.month, date.day);
  return buf;
}

std::string FakeLocale::TimeText(const TimeOfDay& time) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d", time.hour, time.minute, time.second);
  return buf;
}

std::string FakeLocale::ToAnsi(std::string_view utf8) {
  if (!ascii_code_page) return std::string(utf8);
  std::string out;
  for (char32_t cp : Utf8ToCodePoints(utf8))
    out += cp < 0x80 ? static_cast<char>(cp) : default_char;
  return out;
}

FakeFiles::FakeFiles() {}

void FakeFiles::AddFolder(std::string_view path) {
  std::string p(path);
  while (!p.empty()) {
    folders.insert(Key(p));
    p = ParentOf(p);
  }
}

void FakeFiles::Put(std::string_view path, std::string_view bytes) {
  AddFolder(ParentOf(path));
  files[Key(path)] = std::string(bytes);
}

std::optional<std::string> FakeFiles::Get(std::string_view path) const {
  auto it = files.find(Key(path));
  if (it == files.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> FakeFiles::FilesIn(std::string_view folder) const {
  std::vector<std::string> out;
  const std::string prefix = Key(folder) + "\\";
  for (const auto& [path, bytes] : files) {
    if (path.starts_with(prefix) && path.find('\\', prefix.size()) == std::string::npos) {
      out.push_back(path);
    }
  }
  return out;
}

bool FakeFiles::ParentExists(std::string_view path) const {
  return folders.count(Key(ParentOf(path))) > 0;
}

std::string FakeFiles::CreateTempFile(std::string_view folder, std::string_view prefix) {
  if (folders.count(Key(folder)) == 0) throw Failure(267, "The directory name is invalid.");
  char name[16];
  std::snprintf(name, sizeof name, "%X.tmp", ++temp_counter);
  const std::string path = std::string(folder) + "\\" + std::string(prefix.substr(0, 3)) + name;
  files[Key(path)] = "";
  return path;
}

std::unique_ptr<platform::LineWriter> FakeFiles::OpenAppend(std::string_view path) {
  if (!ParentExists(path)) throw Failure::PathNotFound();
  files.try_emplace(Key(path));
  return std::make_unique<FakeWriter>(*this, Key(path));
}

void FakeFiles::Copy(std::string_view from, std::string_view to) {
  auto it = files.find(Key(from));
  if (it == files.end()) throw Failure::FileNotFound();
  if (!ParentExists(to)) throw Failure::PathNotFound();
  if (read_only.count(Key(to)) || read_only.count(Key(ParentOf(to)))) {
    throw Failure::PermissionDenied();
  }
  files[Key(to)] = it->second;
  copied_to.push_back(std::string(to));
}

void FakeFiles::Replace(std::string_view from, std::string_view to) {
  auto it = files.find(Key(from));
  if (it == files.end()) throw Failure::FileNotFound();
  if (read_only.count(Key(to))) throw Failure::PermissionDenied();
  std::string bytes = std::move(it->second);
  files.erase(it);
  files[Key(to)] = std::move(bytes);
}

void FakeFiles::Remove(std::string_view path) { files.erase(Key(path)); }

bool FakeFiles::FileExists(std::string_view path) { return files.count(Key(path)) > 0; }

bool FakeFiles::FolderExists(std::string_view path) { return folders.count(Key(path)) > 0; }

std::optional<std::string> FakeFiles::ReadAll(std::string_view path) {
  if (unreadable.count(Key(path))) return std::nullopt;
  return Get(path);
}

bool FakeFiles::WriteAll(std::string_view path, std::string_view bytes) {
  if (!ParentExists(path) || read_only.count(Key(path))) return false;
  files[Key(path)] = std::string(bytes);
  return true;
}

std::optional<std::string> FakeFiles::FileVersion(std::string_view path) {
  const std::string key = Key(path);
  if (files.count(key) == 0 || hidden.count(key) > 0) return std::nullopt;
  if (in_use.count(key) > 0) {
    throw Failure(
        32, "The process cannot access the file because it is being used by another process.");
  }
  const auto it = versions.find(key);
  return it == versions.end() ? std::string() : it->second;
}

int FakeUi::AddListColumn(int position, std::string_view text, int width) {
  columns.emplace_back(std::string(text), width);
  return position;
}

int FakeUi::AddListRow(int row, std::string_view text) {
  if (!list_exists) return -1;
  const auto at = std::min(static_cast<size_t>(std::max(row, 0)), rows.size());
  rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at),
              std::vector<std::string>(7, std::string()));
  rows[at][0] = text;
  return static_cast<int>(at);
}

bool FakeUi::SetListCell(int row, int column, std::string_view text) {
  if (!list_exists || row < 0 || static_cast<size_t>(row) >= rows.size()) return false;
  rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
  return true;
}

bool FakeUi::ClearList() {
  rows.clear();
  return list_exists;
}

void FakeUi::SetMenuChecked(platform::MenuItem item, bool on) {
  if (on) {
    checked.insert(item);
  } else {
    checked.erase(item);
  }
}

void FakeUi::SetMenuEnabled(platform::MenuItem item, bool enabled) {
  if (enabled) {
    disabled.erase(item);
  } else {
    disabled.insert(item);
  }
}

platform::ResultList& FakeUi::CreateResultList(std::string_view font_face, int /*height*/) {
  list_font = font_face;
  list_exists = true;
  return *this;
}

std::uintptr_t FakeUi::SetTimer(std::uint32_t milliseconds, std::function<void()> callback) {
  if (timers_fail) return 0;
  timers.push_back({milliseconds, std::move(callback)});
  return timers.size();
}

void FakeUi::KillTimer(std::uintptr_t id) {
  if (id >= 1 && id <= timers.size()) timers[id - 1].killed = true;
}

void FakeUi::FireTimer(size_t index) {
  auto callback = timers.at(index).callback;
  callback();
}

std::optional<std::string> FakeUi::InputBox(std::string_view prompt, std::string_view title,
                                            std::string_view default_text) {
  input_requests.push_back({std::string(prompt), std::string(title), std::string(default_text)});
  // A test that runs out of answers gets Cancel, so a retry loop cannot spin forever.
  if (input_answers.empty()) return std::nullopt;
  auto answer = input_answers.front();
  input_answers.pop_front();
  return answer;
}

std::optional<std::string> FakeUi::BrowseForFolder(std::string_view title,
                                                   std::string_view initial) {
  folder_requests.emplace_back(std::string(title), std::string(initial));
  // A test that runs out of answers gets Cancel.
  if (folder_answers.empty()) return std::nullopt;
  auto answer = folder_answers.front();
  folder_answers.pop_front();
  return answer;
}

FakeMachine::FakeMachine() {
  files.AddFolder(system.program_folder);
  files.AddFolder(system.fonts_folder);
  files.AddFolder(system.desktop_folder);
  files.AddFolder(*system.temp_folder);
}

void FakeMachine::Japanese() { locale.country = "Japan"; }

std::string FakeMachine::SettingsFile() const { return system.program_folder + "\\Norvale.ini"; }

void FakeMachine::WriteSettings(std::string_view content) { files.Put(SettingsFile(), content); }

}  // namespace norvale::fakes
