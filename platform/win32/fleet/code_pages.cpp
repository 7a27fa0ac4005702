#include "fleet/system/code_pages.h"

#include <windows.h>

#include "platform/win32/fleet/wide_text.h"

namespace norvale::fleet {
namespace {

// Windows-1252 leaves five bytes undefined; Windows decodes them to the C1
// controls of the same number where iconv refuses them. Refused here too,
// both ways, so a file reads the same on both systems.
bool IsUndefinedIn1252(unsigned char byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// The whole of `bytes` as UTF-16, or false when some byte does not decode.
bool ToWide(std::string_view bytes, CodePage page, std::wstring& wide) {
  wide.clear();
  if (bytes.empty()) return true;
  const UINT code_page = static_cast<UINT>(page);
  const int size = static_cast<int>(bytes.size());
  const int length =
      MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) return false;
  wide.resize(static_cast<std::size_t>(length));
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(),
                             length) == length;
}

// The offset of the first character that does not decode, one character at
// a time (only once the whole text has failed, to say where).
std::size_t FirstBadOffset(std::string_view bytes, CodePage page) {
  std::wstring ignored;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (page == CodePage::kWindows1252 && IsUndefinedIn1252(byte)) return at;
    const std::size_t width =
        page == CodePage::kShiftJis && IsDBCSLeadByteEx(static_cast<UINT>(page), byte) ? 2 : 1;
    if (at + width > bytes.size() || !ToWide(bytes.substr(at, width), page, ignored)) return at;
    at += width;
  }
  return std::string_view::npos;
}

}  // namespace

std::size_t DecodeCodePage(std::string_view bytes, CodePage page, std::string& out) {
  std::size_t bad = std::string_view::npos;
  std::wstring wide;
  if (page == CodePage::kWindows1252) {
    for (std::size_t i = 0; i < bytes.size() && bad == std::string_view::npos; ++i) {
      if (IsUndefinedIn1252(static_cast<unsigned char>(bytes[i]))) bad = i;
    }
  }
  if (bad == std::string_view::npos && ToWide(bytes, page, wide)) {
    out += win32::WideToUtf8(wide);
    return std::string_view::npos;
  }
  if (bad == std::string_view::npos) bad = FirstBadOffset(bytes, page);
  // What decodes before the bad byte is kept, as the other systems do.
  if (bad != std::string_view::npos && ToWide(bytes.substr(0, bad), page, wide)) {
    out += win32::WideToUtf8(wide);
  }
  return bad == std::string_view::npos ? 0 : bad;
}

bool EncodeCodePage(std::string_view utf8, CodePage page, std::string& out) {
  if (utf8.empty()) return true;
  const int utf8_size = static_cast<int>(utf8.size());
  const int wide_length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), utf8_size, nullptr, 0);
  if (wide_length <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), utf8_size, wide.data(),
                      wide_length);
  if (page == CodePage::kWindows1252) {
    for (const wchar_t c : wide) {
      if (c < 0x100 && IsUndefinedIn1252(static_cast<unsigned char>(c))) return false;
    }
  }
  // No best fit: a character without its own byte sequence is refused, not
  // turned into a look-alike or "?".
  const UINT code_page = static_cast<UINT>(page);
  BOOL used_default = FALSE;
  const int length = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length,
                                         nullptr, 0, nullptr, &used_default);
  if (length <= 0 || used_default) return false;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, bytes.data(),
                      length, nullptr, &used_default);
  if (used_default) return false;
  out += bytes;
  return true;
}

}  // namespace norvale::fleet
