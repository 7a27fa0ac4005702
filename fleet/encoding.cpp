#include "fleet/encoding.h"

#include <iconv.h>

#include <cerrno>

#include "core/result_labels.h"
#include "core/utf.h"

namespace norvale::fleet {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

const char* IconvName(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8:
      return "UTF-8";
    case Encoding::kShiftJis:
      return "CP932";
    case Encoding::kWindows1252:
      return "CP1252";
  }
  return "UTF-8";
}

int LineAt(std::string_view bytes, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < bytes.size(); ++i) {
    if (bytes[i] == '\n') ++line;
  }
  return line;
}

// Japanese labels that only a Japanese system writes; finding one of them in
// a file that decodes as Shift_JIS tells that the file came from one.
constexpr LabelPair kLanguageMarkers[] = {kLabelPhysicalMemory, kLabelPagefile,  kLabelScreen,
                                          kLabelTotal,          kLabelFree,      kLabelUse,
                                          kLabelDriveType,      kLabelIpAddress, kLabelMacAddress,
                                          kLabelDomain,         kLabelWorkGroup, kLabelUserName,
                                          kLabelComputerName};

bool IsAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool HasJapaneseLabels(std::string_view utf8) {
  for (const LabelPair& label : kLanguageMarkers) {
    if (utf8.find(label.japanese) != std::string_view::npos) return true;
  }
  return false;
}

// The markers as a Japanese system writes them, to recognise a Shift_JIS file
// even where some bytes of it are damaged.
bool HasShiftJisLabels(std::string_view bytes) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  bool found = false;
  for (const LabelPair& label : kLanguageMarkers) {
    char encoded[64];
    const std::string_view japanese = label.japanese;
    char* in = const_cast<char*>(japanese.data());
    std::size_t in_left = japanese.size();
    char* dst = encoded;
    std::size_t dst_left = sizeof encoded;
    if (iconv(cd, &in, &in_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) continue;
    if (bytes.find(std::string_view(encoded, sizeof encoded - dst_left)) !=
        std::string_view::npos) {
      found = true;
      break;
    }
  }
  iconv_close(cd);
  return found;
}

}  // namespace

std::string_view EncodingName(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8:
      return "utf-8";
    case Encoding::kShiftJis:
      return "shift_jis";
    case Encoding::kWindows1252:
      return "windows-1252";
  }
  return "utf-8";
}

std::optional<Encoding> ParseEncodingName(std::string_view name) {
  const std::string upper = UpperAscii(name);
  if (upper == "UTF-8" || upper == "UTF8") return Encoding::kUtf8;
  if (upper == "SHIFT_JIS" || upper == "SHIFT-JIS" || upper == "SJIS" || upper == "CP932" ||
      upper == "WINDOWS-31J") {
    return Encoding::kShiftJis;
  }
  if (upper == "WINDOWS-1252" || upper == "CP1252" || upper == "LATIN1") {
    return Encoding::kWindows1252;
  }
  return std::nullopt;
}

DecodedText DecodeAs(std::string_view bytes, Encoding encoding) {
  DecodedText out;
  out.encoding = encoding;
  if (encoding == Encoding::kUtf8 && bytes.substr(0, kBom.size()) == kBom) {
    bytes.remove_prefix(kBom.size());
  }
  iconv_t cd = iconv_open("UTF-8", IconvName(encoding));
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  out.utf8.resize(bytes.size() * 3 + 16);
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  char* dst = out.utf8.data();
  std::size_t dst_left = out.utf8.size();
  const std::size_t result = iconv(cd, &in, &in_left, &dst, &dst_left);
  const bool complete =
      result != static_cast<std::size_t>(-1) &&
      iconv(cd, nullptr, nullptr, &dst, &dst_left) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!complete || in_left != 0) {
    out.bad_line = LineAt(bytes, bytes.size() - in_left);
    out.utf8.clear();
    return out;
  }
  out.utf8.resize(out.utf8.size() - dst_left);
  out.ok = true;
  return out;
}

DecodedText DecodeResultFile(std::string_view bytes) {
  if (bytes.substr(0, kBom.size()) == kBom) return DecodeAs(bytes, Encoding::kUtf8);
  if (IsAscii(bytes)) {
    DecodedText out;
    out.utf8 = std::string(bytes);
    out.encoding = Encoding::kWindows1252;
    out.ok = true;
    return out;
  }
  DecodedText japanese = DecodeAs(bytes, Encoding::kShiftJis);
  if (japanese.ok && HasJapaneseLabels(japanese.utf8)) return japanese;
  // Japanese labels in bytes that do not decode: a damaged Japanese file, which
  // Windows-1252 would turn into plausible-looking garbage.
  if (!japanese.ok && HasShiftJisLabels(bytes)) return japanese;
  DecodedText utf8 = DecodeAs(bytes, Encoding::kUtf8);
  if (utf8.ok) return utf8;
  return DecodeAs(bytes, Encoding::kWindows1252);
}

}  // namespace norvale::fleet
