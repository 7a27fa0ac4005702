#include "tests/fakes/fake_registry.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/utf.h"

namespace norvale::fakes {
namespace {

using platform::RegRoot;
using platform::RegValue;

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    auto end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

struct RootName {
  const char* name;
  RegRoot root;
};
constexpr RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", RegRoot::kClassesRoot},
    {"HKEY_CURRENT_USER", RegRoot::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", RegRoot::kLocalMachine},
    {"HKEY_USERS", RegRoot::kUsers},
    {"HKEY_CURRENT_CONFIG", RegRoot::kCurrentConfig},
    {"HKCR", RegRoot::kClassesRoot},
    {"HKCU", RegRoot::kCurrentUser},
    {"HKLM", RegRoot::kLocalMachine},
    {"HKU", RegRoot::kUsers},
};

std::pair<RegRoot, std::string> SplitRoot(std::string_view full) {
  const auto slash = full.find('\\');
  const std::string_view head = full.substr(0, slash);
  for (const RootName& r : kRoots) {
    if (EqualsNoCase(head, r.name)) {
      return {r.root, slash == std::string_view::npos ? "" : std::string(full.substr(slash + 1))};
    }
  }
  throw std::runtime_error("unknown registry root in fixture: " + std::string(full));
}

std::vector<std::uint8_t> HexBytes(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  std::string token;
  auto flush = [&] {
    if (!token.empty()) bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    token.clear();
  };
  for (char c : hex) {
    if (c == ',') {
      flush();
    } else if (c != ' ' && c != '\t' && c != '\\' && c != '\r' && c != '\n') {
      token += c;
    }
  }
  flush();
  return bytes;
}

// Reads a quoted .reg string starting at s[pos] == '"'; returns the text and
// moves pos past the closing quote.
std::string QuotedString(std::string_view s, size_t& pos) {
  std::string out;
  ++pos;
  while (pos < s.size() && s[pos] != '"') {
    if (s[pos] == '\\' && pos + 1 < s.size()) {
      ++pos;
      out += s[pos] == '0' ? '\0' : s[pos];
    } else {
      out += s[pos];
    }
    ++pos;
  }
  ++pos;
  return out;
}

RegValue ParseData(std::string_view data) {
  if (data.starts_with('"')) {
    size_t pos = 0;
    return RegString(QuotedString(data, pos));
  }
  if (data.starts_with("dword:")) {
    return RegDword(
        static_cast<std::uint32_t>(std::stoul(std::string(data.substr(6)), nullptr, 16)));
  }
  if (data.starts_with("hex:")) return RegValue{platform::kRegBinary, HexBytes(data.substr(4))};
  if (data.starts_with("hex(")) {
    const auto close = data.find("):");
    const auto type =
        static_cast<std::uint32_t>(std::stoul(std::string(data.substr(4, close - 4)), nullptr, 16));
    return RegValue{type, HexBytes(data.substr(close + 2))};
  }
  throw std::runtime_error("unsupported .reg data: " + std::string(data));
}

}  // namespace

bool FakeRegistry::NoCase::operator()(const std::string& a, const std::string& b) const {
  auto upper = [](char c) {
    return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return upper(x) < upper(y); });
}

RegValue RegString(std::string_view utf8, std::uint32_t type) {
  const std::string bytes = Utf8ToUtf16Le(std::string(utf8) + '\0');
  return RegValue{type, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
}

RegValue RegDword(std::uint32_t value) {
  return RegValue{platform::kRegDword,
                  {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

FakeRegistry::Key* FakeRegistry::Find(RegRoot root, std::string_view physical_path) {
  auto it = roots_.find(root);
  if (it == roots_.end()) return nullptr;
  Key* key = &it->second;
  for (const std::string& part : SplitPath(physical_path)) {
    auto sub = key->subkeys.find(part);
    if (sub == key->subkeys.end()) return nullptr;
    key = sub->second.get();
  }
  return key;
}

FakeRegistry::Key& FakeRegistry::Create(RegRoot root, std::string_view physical_path) {
  Key* key = &roots_[root];
  for (const std::string& part : SplitPath(physical_path)) {
    auto& slot = key->subkeys[part];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = part;
    }
    key = slot.get();
  }
  return *key;
}

std::string FakeRegistry::Physical(RegRoot root, std::string_view path,
                                   platform::RegView view) const {
  std::string p(path);
  if (!sixty_four_bit_ || view == platform::RegView::k64 || root != RegRoot::kLocalMachine)
    return p;
  const std::string upper = UpperAscii(p);
  if (upper == "SOFTWARE" || upper.starts_with("SOFTWARE\\")) {
    if (upper.starts_with("SOFTWARE\\WOW6432NODE")) return p;
    return "SOFTWARE\\WOW6432Node" + p.substr(8);
  }
  return p;
}

void FakeRegistry::AddKey(RegRoot root, std::string_view path) { Create(root, path); }

void FakeRegistry::SetValue(RegRoot root, std::string_view path, std::string_view name,
                            RegValue value) {
  Create(root, path).values[std::string(name)] = std::move(value);
}

void FakeRegistry::SetString(RegRoot root, std::string_view path, std::string_view name,
                             std::string_view utf8) {
  SetValue(root, path, name, RegString(utf8));
}

void FakeRegistry::SetDword(RegRoot root, std::string_view path, std::string_view name,
                            std::uint32_t value) {
  SetValue(root, path, name, RegDword(value));
}

void FakeRegistry::DeleteKey(RegRoot root, std::string_view path) {
  auto parts = SplitPath(path);
  if (parts.empty()) return;
  const std::string last = parts.back();
  parts.pop_back();
  std::string parent;
  for (const auto& p : parts) parent += (parent.empty() ? "" : "\\") + p;
  if (Key* key = Find(root, parent)) key->subkeys.erase(last);
}

void FakeRegistry::Import(std::string_view reg_text) {
  std::string text =
      reg_text.starts_with("\xFF\xFE") ? Utf16LeToUtf8(reg_text.substr(2)) : std::string(reg_text);
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  // Join continuation lines (a trailing backslash in hex data).
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  std::string pending;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!pending.empty()) {
      const auto first = line.find_first_not_of(" \t");
      line = pending + (first == std::string::npos ? "" : line.substr(first));
      pending.clear();
    }
    if (!line.empty() && line.back() == '\\' && line.find('=') != std::string::npos &&
        line.find("hex") != std::string::npos) {
      line.pop_back();
      pending = line;
      continue;
    }
    lines.push_back(line);
  }
  Key* current = nullptr;
  for (const std::string& l : lines) {
    if (l.empty() || l.starts_with(';') || l.starts_with("Windows Registry") ||
        l.starts_with("REGEDIT")) {
      continue;
    }
    if (l.starts_with("[-")) {
      const auto [root, path] = SplitRoot(std::string_view(l).substr(2, l.rfind(']') - 2));
      DeleteKey(root, path);
      current = nullptr;
      continue;
    }
    if (l.starts_with('[')) {
      const auto [root, path] = SplitRoot(std::string_view(l).substr(1, l.rfind(']') - 1));
      current = &Create(root, path);
      continue;
    }
    if (current == nullptr) continue;
    std::string name;
    size_t pos = 0;
    if (l.starts_with('@')) {
      pos = 1;
    } else if (l.starts_with('"')) {
      name = QuotedString(l, pos);
    } else {
      continue;
    }
    if (pos >= l.size() || l[pos] != '=') continue;
    const std::string_view data = std::string_view(l).substr(pos + 1);
    if (data == "-") {
      current->values.erase(name);
    } else {
      current->values[name] = ParseData(data);
    }
  }
}

void FakeRegistry::ImportFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open fixture " + path);
  std::ostringstream content;
  content << file.rdbuf();
  Import(content.str());
}

std::optional<std::vector<std::string>> FakeRegistry::EnumSubkeys(RegRoot root,
                                                                  std::string_view path,
                                                                  platform::RegView view) {
  Key* key = Find(root, Physical(root, path, view));
  if (key == nullptr) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& [name, sub] : key->subkeys) names.push_back(sub->name);
  return names;
}

std::optional<RegValue> FakeRegistry::QueryValue(RegRoot root, std::string_view path,
                                                 std::string_view name, platform::RegView view) {
  ++query_count_;
  Key* key = Find(root, Physical(root, path, view));
  if (key == nullptr) return std::nullopt;
  auto it = key->values.find(std::string(name));
  if (it == key->values.end()) return std::nullopt;
  return it->second;
}

void AddDeviceTree(FakeRegistry& registry, int count, int per_device) {
  using platform::RegRoot;
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    const std::string path = "SYSTEM\\CurrentControlSet\\Enum\\BUS" + std::to_string(i % 10) +
                             "\\DEV_" + std::to_string(i / per_device) + "\\" + n;
    registry.SetString(RegRoot::kLocalMachine, path, "DeviceDesc", "@oem1.inf,%dev%;Device " + n);
    registry.SetString(RegRoot::kLocalMachine, path, "Class", "System");
    registry.SetString(RegRoot::kLocalMachine, path, "Driver", "{tree}\\" + n);
    registry.AddKey(RegRoot::kLocalMachine, path + "\\Control");
    const std::string driver = "SYSTEM\\CurrentControlSet\\Control\\Class\\{tree}\\" + n;
    registry.SetString(RegRoot::kLocalMachine, driver, "ProviderName", "Norvale Tree");
    registry.SetString(RegRoot::kLocalMachine, driver, "DriverDate", "7-1-2026");
  }
}

}  // namespace norvale::fakes
