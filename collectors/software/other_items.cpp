#include "collectors/software/other_items.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "collectors/common/registry_access.h"
#include "core/profile.h"
#include "core/recording.h"
#include "core/result_labels.h"

namespace norvale {
namespace {

// What a missing key reads as; such a key ends its section.
constexpr std::string_view kMissing = "XX";
constexpr size_t kEntryBuffer = 1024;
constexpr int kMaxItems = 99;

struct RootName {
  const char* name;
  RegRoot root;
};
// Compared exactly, as administrators write them in the settings file.
constexpr RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", RegRoot::kClassesRoot},
    {"HKEY_CURRENT_USER", RegRoot::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", RegRoot::kLocalMachine},
    {"HKEY_USERS", RegRoot::kUsers},
    {"HKEY_PERFORMANCE_DATA", RegRoot::kPerformanceData},
    {"HKEY_CURRENT_CONFIG", RegRoot::kCurrentConfig},
    {"HKEY_DYN_DATA", RegRoot::kDynData},
};

std::optional<RegRoot> RootByName(std::string_view name) {
  for (const RootName& r : kRoots) {
    if (name == r.name) return r.root;
  }
  return std::nullopt;
}

// Pieces between ";" as written, blanks included.
class Entry {
 public:
  explicit Entry(std::string_view text) {
    size_t start = 0;
    for (auto semi = text.find(';'); semi != std::string_view::npos; semi = text.find(';', start)) {
      pieces_.emplace_back(text.substr(start, semi - start));
      start = semi + 1;
    }
    pieces_.emplace_back(text.substr(start));
  }
  // A piece the entry does not have is the administrator's mistake: it ends
  // the collector with an error row naming it.
  const std::string& operator[](size_t index) const {
    if (index >= pieces_.size()) throw Failure::SubscriptOutOfRange();
    return pieces_[index];
  }

 private:
  std::vector<std::string> pieces_;
};

// Calls `body` with each entry of `section`, in key order, up to the first
// missing key.
template <typename Body>
void ForEachEntry(Context& ctx, std::string_view section, const std::string& path, Body&& body) {
  for (int n = 1; n <= kMaxItems; ++n) {
    const std::string key = (n < 10 ? "0" : "") + std::to_string(n);
    std::string text = ReadProfileString(ctx.os, section, key, kMissing, kEntryBuffer, path);
    text = text.substr(0, text.find('\0'));
    if (text == kMissing) return;
    body(Entry(text));
  }
}

std::string RegistryContents(Context& ctx, const Entry& entry) {
  const auto root = RootByName(entry[1]);
  if (!root) return {};
  const std::string& subkey = entry[2];
  const std::string& name = entry[3];
  // A number shows as the number, not as its raw bytes read as text.
  const auto raw = ctx.os.registry.QueryValue(*root, subkey, name, platform::RegView::kDefault);
  const RegValueKind kind =
      raw && raw->type == platform::kRegDword ? RegValueKind::kNumber : RegValueKind::kText;
  const Value value = ReadRegValue(ctx, *root, subkey, name, kind, Text(""));
  // A REG_DWORD is unsigned: all bits set is 4294967295, not -1.
  if (const auto* number = std::get_if<std::int64_t>(&value)) {
    return std::to_string(static_cast<std::uint32_t>(*number));
  }
  return ValueText(ctx, value);
}

}  // namespace

void GetOtherItems(Context& ctx) {
  Guarded(ctx, kGroupOther, kModuleOther, [&] {
    const std::string path = SettingsPath(ctx.os);
    ForEachEntry(ctx, "REGISTRY", path, [&](const Entry& entry) {
      const std::string contents = RegistryContents(ctx, entry);
      RecordRow(ctx, Text(kGroupOther), Text(kItemRegistry), entry[0], contents, Text(""));
    });
    ForEachEntry(ctx, "FILEINFO", path, [&](const Entry& entry) {
      const auto version = ctx.os.files.FileVersion(entry[1]);
      RecordRow(ctx, Text(kGroupOther), Text(kItemFileInfo), entry[0],
                version.value_or(kContentsNoFile), Text(""));
    });
  });
}

}  // namespace norvale
