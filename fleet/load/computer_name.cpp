#include "fleet/load/computer_name.h"

#include "core/utf.h"

namespace norvale::fleet {
namespace {

// The simple upper case of a letter in the blocks computer names use; other
// characters stay as they are.
char32_t UpperCase(char32_t c) {
  if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: upper and lower case alternate, in two runs.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~char32_t{1};
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 0 ? c - 1 : c;
  if (c >= 0x3B1 && c <= 0x3CB) return c == 0x3C2 ? 0x3A3 : c - 0x20;  // Greek
  if (c == 0x3AC) return 0x386;                                        // with tonos
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;  // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;  // full-width Latin
  return c;
}

}  // namespace

std::string ComputerOfFileName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

bool SameComputerName(std::string_view a, std::string_view b) {
  // Bytes that are no characters have no case: they match only themselves.
  if (FindInvalidUtf8(a) != std::string_view::npos ||
      FindInvalidUtf8(b) != std::string_view::npos) {
    return a == b;
  }
  const std::u32string left = Utf8ToCodePoints(a), right = Utf8ToCodePoints(b);
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (UpperCase(left[i]) != UpperCase(right[i])) return false;
  }
  return true;
}

}  // namespace norvale::fleet
