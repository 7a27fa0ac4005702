#include "collectors/common/registry_access.h"

#include <cstdint>
#include <optional>

#include "core/utf.h"

namespace norvale {
namespace {

using platform::RegValue;
using platform::RegView;

constexpr size_t kTextBuffer = 256;
constexpr size_t kStringBuffer = 2048;

bool IsTextType(std::uint32_t type) {
  return type == platform::kRegSz || type == platform::kRegExpandSz ||
         type == platform::kRegMultiSz;
}

// A value as a buffer of the ANSI registry calls receives it: how many bytes
// it takes there (text in the ANSI code page with its terminator, anything
// else as stored) and the text before its first NUL. The text itself stays
// Unicode: it meets the code page only when it is written to the result file.
struct BufferedValue {
  size_t ansi_size = 0;
  std::string text;
};

BufferedValue Buffered(Context& ctx, const RegValue& value) {
  std::string raw(value.data.begin(), value.data.end());
  if (!IsTextType(value.type)) {
    const size_t size = raw.size();
    raw += '\0';
    return {size, ctx.os.locale.FromAnsi(CutAtNul(raw))};
  }
  std::string text = Utf16LeToUtf8(raw);
  if (text.empty() || text.back() != '\0') text += '\0';
  return {ctx.os.locale.ToAnsi(text).size(), CutAtNul(text)};
}

// What a 2048-byte buffer receives of the value.
bool StringFromValue(Context& ctx, const std::optional<RegValue>& value, std::string& text) {
  if (!value) return false;
  BufferedValue buffered = Buffered(ctx, *value);
  if (buffered.ansi_size > kStringBuffer) return false;
  text = std::move(buffered.text);
  return !text.empty();
}

bool ReadRegString(Context& ctx, RegView view, RegRoot root, std::string_view subkey,
                   std::string_view name, std::string& text) {
  return StringFromValue(ctx, ctx.os.registry.QueryValue(root, subkey, name, view), text);
}

std::vector<std::string> ReadRegStrings(Context& ctx, RegView view, RegRoot root,
                                        std::string_view subkey,
                                        const std::vector<std::string>& names) {
  const auto values = ctx.os.registry.QueryValues(root, subkey, names, view);
  std::vector<std::string> texts(names.size());
  for (size_t i = 0; i < names.size() && i < values.size(); ++i) {
    StringFromValue(ctx, values[i], texts[i]);
  }
  return texts;
}

// The shell's value reader hands REG_EXPAND_SZ over as REG_SZ text with the
// environment variables filled in; the buffer limits apply to that text.
RegValue ExpandedLikeTheShell(Context& ctx, RegValue value) {
  if (value.type != platform::kRegExpandSz) return value;
  const std::string text =
      CutAtNul(Utf16LeToUtf8(std::string(value.data.begin(), value.data.end())) + '\0');
  const std::string wide = Utf8ToUtf16Le(ctx.os.system.ExpandEnvironmentText(text) + '\0');
  value.type = platform::kRegSz;
  value.data.assign(wide.begin(), wide.end());
  return value;
}

}  // namespace

Value ReadRegValue(Context& ctx, RegRoot root, std::string_view subkey, std::string_view name,
                   RegValueKind kind, const Value& fallback) {
  if (kind != RegValueKind::kText && kind != RegValueKind::kNumber) return fallback;
  auto value = ctx.os.registry.QueryValue(root, subkey, name, RegView::kDefault);
  if (!value) return fallback;
  value = ExpandedLikeTheShell(ctx, std::move(*value));
  if (kind == RegValueKind::kText) {
    BufferedValue buffered = Buffered(ctx, *value);
    if (buffered.ansi_size > kTextBuffer) return fallback;
    return std::move(buffered.text);
  }
  // A number is the first four bytes the ANSI call hands back, text included.
  std::string bytes(value->data.begin(), value->data.end());
  if (IsTextType(value->type)) bytes = ctx.os.locale.ToAnsi(Utf16LeToUtf8(bytes));
  if (bytes.size() > 4) return fallback;
  std::uint32_t number = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    number |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  }
  return Value{static_cast<std::int64_t>(static_cast<std::int32_t>(number))};
}

int EnumRegSubkeys(Context& ctx, RegRoot root, std::string_view path,
                   std::vector<std::string>& names) {
  auto found = ctx.os.registry.EnumSubkeys(root, path, RegView::k64);
  if (!found || found->empty()) return 0;
  names = std::move(*found);
  return static_cast<int>(names.size());
}

bool ReadRegString32(Context& ctx, RegRoot root, std::string_view subkey, std::string_view name,
                     std::string& text) {
  return ReadRegString(ctx, RegView::k32, root, subkey, name, text);
}

bool ReadRegString64(Context& ctx, RegRoot root, std::string_view subkey, std::string_view name,
                     std::string& text) {
  return ReadRegString(ctx, RegView::k64, root, subkey, name, text);
}

std::vector<std::string> ReadRegStrings32(Context& ctx, RegRoot root, std::string_view subkey,
                                          const std::vector<std::string>& names) {
  return ReadRegStrings(ctx, RegView::k32, root, subkey, names);
}

std::vector<std::string> ReadRegStrings64(Context& ctx, RegRoot root, std::string_view subkey,
                                          const std::vector<std::string>& names) {
  return ReadRegStrings(ctx, RegView::k64, root, subkey, names);
}

bool IsWow64(Context& ctx) { return ctx.os.system.IsWow64(); }

}  // namespace norvale
