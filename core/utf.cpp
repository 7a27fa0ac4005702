#include "core/utf.h"

namespace norvale {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
// The smallest code point each sequence length may carry, by continuation bytes.
constexpr char32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

size_t DecodeOneUtf8(std::string_view utf8, size_t at, char32_t& cp) {
  const auto b = static_cast<unsigned char>(utf8[at]);
  size_t extra = 0;
  char32_t value = 0;
  if (b < 0x80) {
    cp = b;
    return 1;
  } else if ((b & 0xE0) == 0xC0) {
    extra = 1;
    value = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    extra = 2;
    value = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    extra = 3;
    value = b & 0x07;
  } else {
    return 0;
  }
  if (at + extra >= utf8.size()) return 0;
  for (size_t k = 1; k <= extra; ++k) {
    const auto c = static_cast<unsigned char>(utf8[at + k]);
    if ((c & 0xC0) != 0x80) return 0;
    value = (value << 6) | (c & 0x3F);
  }
  if (value < kSmallest[extra] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
    return 0;
  }
  cp = value;
  return extra + 1;
}

std::u32string Utf8ToCodePoints(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp = 0;
    const size_t length = DecodeOneUtf8(utf8, i, cp);
    out += length == 0 ? kReplacement : cp;
    i += length == 0 ? 1 : length;
  }
  return out;
}

size_t FindInvalidUtf8(std::string_view utf8) {
  size_t i = 0;
  while (i < utf8.size()) {
    // Plain ASCII, the bulk of every result file, a word at a time would be
    // faster still; byte by byte already keeps far ahead of the database.
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t cp = 0;
    const size_t length = DecodeOneUtf8(utf8, i, cp);
    if (length == 0) return i;
    i += length;
  }
  return std::string_view::npos;
}

std::string CodePointsToUtf8(std::u32string_view code_points) {
  std::string out;
  out.reserve(code_points.size());
  for (char32_t cp : code_points) {
    const bool valid = cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    AppendUtf8(out, valid ? cp : kReplacement);
  }
  return out;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  for (size_t i = 0; i < units; ++i) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = kReplacement;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  auto put = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (char32_t cp : Utf8ToCodePoints(utf8)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

std::string CutAtNul(std::string_view text) {
  const auto nul = text.find('\0');
  if (nul == std::string_view::npos) return {};
  return std::string(text.substr(0, nul));
}

std::string TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

std::string TrimEnd(std::string_view text, std::string_view characters) {
  const auto last = text.find_last_not_of(characters);
  return std::string(text.substr(0, last == std::string_view::npos ? 0 : last + 1));
}

bool IsWide(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

}  // namespace norvale
