// Windows code pages to and from UTF-8, by the system's own tables (iconv on
// Linux, the Windows API on Windows), so a result file reads the same on both.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norvale::fleet {

enum class CodePage { kShiftJis = 932, kWindows1252 = 1252 };

// Appends the UTF-8 text of `bytes` to `out`. Never guesses and never replaces
// a byte: returns std::string_view::npos when every byte decoded, otherwise the
// offset of the first byte that does not (what was appended before stays).
std::size_t DecodeCodePage(std::string_view bytes, CodePage page, std::string& out);

// Appends `utf8` in the code page to `out`; false when a character has no
// mapping there (nothing sensible was appended then).
bool EncodeCodePage(std::string_view utf8, CodePage page, std::string& out);

}  // namespace norvale::fleet
