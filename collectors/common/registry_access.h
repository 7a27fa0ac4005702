// Registry reads shared by every collector, each with its fixed view and
// buffer size: those decide what a collector reports.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"
#include "core/value.h"

namespace norvale {

using platform::RegRoot;

// What ReadRegValue reads a value as; the numbers are those of the documented
// procedure, and any other kind reads as missing.
enum class RegValueKind { kText = 1, kNumber = 4 };

// kText: a text of at most 255 characters; kNumber: a signed 32-bit number.
// REG_EXPAND_SZ values come with their environment variables filled in, as
// the shell's value reader gives them.
// Anything missing, too long or of another kind gives `fallback`. Default view
// of a 32-bit process.
Value ReadRegValue(Context& ctx, RegRoot root, std::string_view subkey, std::string_view name,
                   RegValueKind kind, const Value& fallback);

// The subkey names of a key in the 64-bit view. Returns their number; `names`
// is replaced only when there is at least one.
int EnumRegSubkeys(Context& ctx, RegRoot root, std::string_view path,
                   std::vector<std::string>& names);

// A value's bytes taken as text (cut at the first NUL), from a 2048-byte
// buffer, in the 32- or 64-bit view. True when the text is not empty; `text`
// is untouched when the value cannot be read.
bool ReadRegString32(Context& ctx, RegRoot root, std::string_view subkey, std::string_view name,
                     std::string& text);
bool ReadRegString64(Context& ctx, RegRoot root, std::string_view subkey, std::string_view name,
                     std::string& text);

// Several values of one key, each as ReadRegString32/64 leaves a text that
// was empty before: empty when missing, too long or empty itself.
std::vector<std::string> ReadRegStrings32(Context& ctx, RegRoot root, std::string_view subkey,
                                          const std::vector<std::string>& names);
std::vector<std::string> ReadRegStrings64(Context& ctx, RegRoot root, std::string_view subkey,
                                          const std::vector<std::string>& names);

// True when running as a 32-bit process on 64-bit Windows.
bool IsWow64(Context& ctx);

}  // namespace norvale
