#include "core/profile.h"

#include "core/utf.h"

namespace norvale {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

enum class Encoding { kAnsi, kUtf8, kUtf16 };

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

struct Decoded {
  Encoding encoding = Encoding::kAnsi;
  std::string text;
};

Decoded Decode(platform::Platform& os, std::string_view bytes) {
  if (bytes.starts_with(kUtf16Bom)) return {Encoding::kUtf16, Utf16LeToUtf8(bytes.substr(2))};
  if (bytes.starts_with(kUtf8Bom)) return {Encoding::kUtf8, std::string(bytes.substr(3))};
  return {Encoding::kAnsi, os.locale.FromAnsi(bytes)};
}

std::string Encode(platform::Platform& os, Encoding encoding, std::string_view text) {
  switch (encoding) {
    case Encoding::kUtf16:
      return std::string(kUtf16Bom) + Utf8ToUtf16Le(text);
    case Encoding::kUtf8:
      return std::string(kUtf8Bom) + std::string(text);
    case Encoding::kAnsi:
      break;
  }
  return os.locale.ToAnsi(text);
}

std::string CutToCharacters(const std::string& text, size_t count) {
  std::u32string code_points = Utf8ToCodePoints(text);
  if (code_points.size() <= count) return text;
  code_points.resize(count);
  return CodePointsToUtf8(code_points);
}

}  // namespace

ProfileText::Line ProfileText::Parse(std::string_view raw) {
  Line line;
  line.raw = std::string(raw);
  const std::string_view body = TrimBlanks(raw);
  if (body.starts_with('[')) {
    const auto close = body.rfind(']');
    if (close != std::string_view::npos) {
      line.is_section = true;
      line.section = std::string(body.substr(1, close - 1));
      return line;
    }
  }
  const auto eq = body.find('=');
  if (eq == std::string_view::npos) {
    line.key = std::string(body);
  } else {
    line.key = std::string(TrimBlanks(body.substr(0, eq)));
    line.value = std::string(TrimBlanks(body.substr(eq + 1)));
  }
  return line;
}

ProfileText::ProfileText(std::string_view utf8_content) {
  size_t start = 0;
  while (start < utf8_content.size()) {
    auto end = utf8_content.find('\n', start);
    if (end == std::string_view::npos) end = utf8_content.size();
    std::string_view raw = utf8_content.substr(start, end - start);
    if (raw.ends_with('\r')) raw.remove_suffix(1);
    lines_.push_back(Parse(raw));
    start = end + 1;
  }
}

std::optional<size_t> ProfileText::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].is_section && EqualsNoCase(lines_[i].section, section)) return i + 1;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileText::Get(std::string_view section, std::string_view key) const {
  const auto body = FindSection(section);
  if (!body) return std::nullopt;
  for (size_t i = *body; i < lines_.size() && !lines_[i].is_section; ++i) {
    const Line& line = lines_[i];
    if (line.key.empty() || !EqualsNoCase(line.key, key)) continue;
    if (!line.value) return std::nullopt;
    const std::string& v = *line.value;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      return v.substr(1, v.size() - 2);
    }
    return v;
  }
  return std::nullopt;
}

std::vector<std::string> ProfileText::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  const auto body = FindSection(section);
  if (!body) return keys;
  for (size_t i = *body; i < lines_.size() && !lines_[i].is_section; ++i) {
    if (!lines_[i].key.empty()) keys.push_back(lines_[i].key);
  }
  return keys;
}

void ProfileText::Set(std::string_view section, std::string_view key, std::string_view value) {
  const auto body = FindSection(section);
  if (!body) {
    if (!lines_.empty() && !TrimBlanks(lines_.back().raw).empty()) lines_.push_back(Parse(""));
    lines_.push_back(Parse("[" + std::string(section) + "]"));
    lines_.push_back(Parse(std::string(key) + "=" + std::string(value)));
    return;
  }
  size_t insert_at = *body;
  for (size_t i = *body; i < lines_.size() && !lines_[i].is_section; ++i) {
    Line& line = lines_[i];
    if (line.key.empty()) continue;
    if (EqualsNoCase(line.key, key)) {
      line = Parse(line.key + "=" + std::string(value));
      return;
    }
    insert_at = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at),
                Parse(std::string(key) + "=" + std::string(value)));
}

std::string ProfileText::Text() const {
  std::string text;
  for (const Line& line : lines_) {
    text += line.raw;
    text += "\r\n";
  }
  return text;
}

std::string SettingsPath(platform::Platform& os) {
  return os.system.ProgramFolder() + "\\Norvale.ini";
}

std::string ReadProfileString(platform::Platform& os, std::string_view section,
                              std::string_view key, std::string_view fallback, size_t size,
                              std::string_view path) {
  std::string value(fallback);
  if (const auto bytes = os.files.ReadAll(path)) {
    const Decoded decoded = Decode(os, *bytes);
    if (auto found = ProfileText(decoded.text).Get(section, key)) value = std::move(*found);
  }
  return size == 0 ? std::string() : CutToCharacters(value, size - 1);
}

namespace {

// The file as it stands, or nullopt when it exists but cannot be read whole:
// a file locked by a backup or an editor must not be rewritten from nothing.
std::optional<Decoded> ReadForRewrite(platform::Platform& os, std::string_view path) {
  if (const auto bytes = os.files.ReadAll(path)) return Decode(os, *bytes);
  if (os.files.FileExists(path)) return std::nullopt;
  return Decoded{};
}

bool EncodingHolds(platform::Platform& os, Encoding encoding, std::string_view text) {
  return encoding != Encoding::kAnsi || os.locale.FromAnsi(os.locale.ToAnsi(text)) == text;
}

}  // namespace

bool SettingsFileCanHold(platform::Platform& os, std::string_view text, std::string_view path) {
  const auto decoded = ReadForRewrite(os, path);
  return !decoded || EncodingHolds(os, decoded->encoding, text);
}

bool SetINIValue(platform::Platform& os, std::string_view section, std::string_view key,
                 std::string_view value, std::string_view path) {
  const auto read = ReadForRewrite(os, path);
  if (!read || !EncodingHolds(os, read->encoding, value)) return false;
  const Decoded& decoded = *read;
  ProfileText profile(decoded.text);
  profile.Set(section, key, value);
  return os.files.WriteAll(path, Encode(os, decoded.encoding, profile.Text()));
}

}  // namespace norvale
