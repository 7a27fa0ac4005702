#include "fleet/system/code_pages.h"

#include <windows.h>

#include <array>
#include <vector>

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

// The lead bytes of a double-byte code page, asked of the system once.
using LeadBytes = std::array<bool, 256>;
const LeadBytes& LeadBytesOf(CodePage page) {
  static const LeadBytes shift_jis = [] {
    LeadBytes lead{};
    for (int byte = 0; byte < 256; ++byte) {
      lead[static_cast<std::size_t>(byte)] =
          IsDBCSLeadByteEx(static_cast<UINT>(CodePage::kShiftJis), static_cast<BYTE>(byte)) != 0;
    }
    return lead;
  }();
  static const LeadBytes single_byte{};
  return page == CodePage::kShiftJis ? shift_jis : single_byte;
}

// The first character that does not decode in [from, to), a range that
// starts on a character boundary and does not decode as a whole. Along the
// range the text before a character decodes up to that character and no
// further, so the character is found by halving.
std::size_t FirstBadCharacter(std::string_view bytes, std::size_t from, std::size_t to,
                              CodePage page) {
  const LeadBytes& lead = LeadBytesOf(page);
  std::vector<std::size_t> starts;  // where each character of the range starts
  for (std::size_t at = from; at < to; at += lead[static_cast<unsigned char>(bytes[at])] ? 2 : 1) {
    starts.push_back(at);
  }
  starts.push_back(to);
  std::wstring ignored;
  const auto decodes_before = [&](std::size_t character) {
    return ToWide(bytes.substr(from, starts[character] - from), page, ignored);
  };
  // The first `good` characters decode; the first `bad` do not.
  std::size_t good = 0, bad = starts.size() - 1;
  while (bad - good > 1) {
    const std::size_t middle = good + (bad - good) / 2;
    (decodes_before(middle) ? good : bad) = middle;
  }
  return starts[good];
}

// Bytes decoded at a time while looking for the first that does not. Asking
// one character at a time cost a file in another code page (each English
// file is first tried as Shift_JIS) thousands of calls.
constexpr std::size_t kProbePiece = 1024;

// The offset of the first character that does not decode (only once the
// whole text has failed, to say where): pieces that end on a character
// boundary, then the first piece that fails is halved.
std::size_t FirstBadOffset(std::string_view bytes, CodePage page) {
  const LeadBytes& lead = LeadBytesOf(page);
  std::wstring ignored;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = at;
    // The piece stops before a character known not to decode: a byte
    // undefined in Windows-1252, or a lead byte without its second byte.
    bool stopped_before_bad = false;
    while (end < bytes.size() && end - at < kProbePiece) {
      const auto byte = static_cast<unsigned char>(bytes[end]);
      const std::size_t width = lead[byte] ? 2 : 1;
      if ((page == CodePage::kWindows1252 && IsUndefinedIn1252(byte)) ||
          end + width > bytes.size()) {
        stopped_before_bad = true;
        break;
      }
      end += width;
    }
    if (!ToWide(bytes.substr(at, end - at), page, ignored)) {
      return FirstBadCharacter(bytes, at, end, page);
    }
    if (stopped_before_bad) return end;
    at = end;
  }
  return std::string_view::npos;
}

// The UTF-8 of each byte of Windows-1252, asked of the system once (empty
// for the bytes it leaves undefined). A single-byte code page maps each
// byte on its own, so a file needs no trip through UTF-16 and back.
const std::array<std::string, 256>& Windows1252Utf8() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> utf8;
    std::wstring wide;
    for (std::size_t byte = 0; byte < utf8.size(); ++byte) {
      const char text = static_cast<char>(byte);
      if (IsUndefinedIn1252(static_cast<unsigned char>(byte))) continue;
      if (ToWide(std::string_view(&text, 1), CodePage::kWindows1252, wide)) {
        utf8[byte] = win32::WideToUtf8(wide);
      }
    }
    return utf8;
  }();
  return table;
}

// Decodes Windows-1252 up to its first undefined byte; returns its offset,
// or npos when there is none. Runs of ASCII, the same in UTF-8, are copied
// whole.
std::size_t DecodeWindows1252(std::string_view bytes, std::string& out) {
  const std::array<std::string, 256>& table = Windows1252Utf8();
  out.reserve(out.size() + bytes.size() + bytes.size() / 8);
  std::size_t ascii_from = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) continue;
    out.append(bytes.data() + ascii_from, i - ascii_from);
    if (table[byte].empty()) return i;
    out += table[byte];
    ascii_from = i + 1;
  }
  out.append(bytes.data() + ascii_from, bytes.size() - ascii_from);
  return std::string_view::npos;
}

}  // namespace

std::size_t DecodeCodePage(std::string_view bytes, CodePage page, std::string& out) {
  if (page == CodePage::kWindows1252) return DecodeWindows1252(bytes, out);
  std::wstring wide;
  if (ToWide(bytes, page, wide)) {
    out += win32::WideToUtf8(wide);
    return std::string_view::npos;
  }
  const std::size_t bad = FirstBadOffset(bytes, page);
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
