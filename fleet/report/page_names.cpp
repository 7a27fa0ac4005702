#include "fleet/report/page_names.h"

#include <cstdint>
#include <cstdio>

namespace norvale::fleet {
namespace {

constexpr std::size_t kMaxBaseLength = 64;

// Device names Windows opens instead of a file, whatever the extension.
constexpr std::string_view kReservedNames[] = {
    "con",  "prn",  "aux",  "nul",  "com1", "com2", "com3", "com4", "com5", "com6", "com7",
    "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4", "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};

bool IsReserved(std::string_view base) {
  for (const std::string_view name : kReservedNames) {
    if (base == name) return true;
  }
  return false;
}

// FNV-1a: short, stable across runs and platforms, so a page keeps its
// address from one report to the next.
std::uint32_t NameHash(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace

std::string ComputerPageFile(std::string_view computer) {
  static const char kHex[] = "0123456789abcdef";
  std::string base;
  bool changed = computer.empty();
  for (const char c : computer) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-') {
      base += c;
    } else if (b >= 'A' && b <= 'Z') {
      base += static_cast<char>(b - 'A' + 'a');
      changed = true;
    } else {
      base += '_';
      base += kHex[b >> 4];
      base += kHex[b & 0xF];
      changed = true;
    }
  }
  if (base.size() > kMaxBaseLength) {
    base.resize(kMaxBaseLength);
    changed = true;
  }
  if (changed || IsReserved(base)) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "~%08x", static_cast<unsigned>(NameHash(computer)));
    base += suffix;
  }
  return base + ".html";
}

}  // namespace norvale::fleet
