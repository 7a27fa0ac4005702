#include "fleet/load/encoding.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/result_labels.h"
#include "core/utf.h"
#include "fleet/system/code_pages.h"

namespace norvale::fleet {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

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

// The first byte at or after `from` that is not ASCII, or the size. Eight
// bytes at a time: every file is scanned so, and most are ASCII for long runs.
std::size_t NextNonAscii(std::string_view bytes, std::size_t from) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  while (from + sizeof(std::uint64_t) <= bytes.size()) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + from, sizeof word);
    if (word & kHighBits) break;
    from += sizeof word;
  }
  while (from < bytes.size() && static_cast<unsigned char>(bytes[from]) < 0x80) ++from;
  return from;
}

bool IsAscii(std::string_view bytes) { return NextNonAscii(bytes, 0) == bytes.size(); }

bool HasJapaneseLabels(std::string_view utf8) {
  for (const LabelPair& label : kLanguageMarkers) {
    if (utf8.find(label.japanese) != std::string_view::npos) return true;
  }
  return false;
}

struct EncodedMarker {
  std::string bytes;
  std::size_t first_non_ascii;  // every marker has a Japanese character
};

// The markers as a Japanese system writes them, to recognise a Shift_JIS file
// even where some bytes of it are damaged. A marker found anywhere puts its
// first non-ASCII byte on one of the file's, so only those places are tried:
// one pass over the file instead of a search per marker (most Western files
// hold a few accented letters and ask this too).
bool HasShiftJisLabels(std::string_view bytes) {
  // Encoded once: every file that is not plain ASCII asks.
  static const std::vector<EncodedMarker> markers = [] {
    std::vector<EncodedMarker> encoded_markers;
    for (const LabelPair& label : kLanguageMarkers) {
      std::string encoded;
      if (!EncodeCodePage(label.japanese, CodePage::kShiftJis, encoded)) continue;
      const std::size_t first = NextNonAscii(encoded, 0);
      if (first < encoded.size()) encoded_markers.push_back({std::move(encoded), first});
    }
    return encoded_markers;
  }();
  for (std::size_t at = NextNonAscii(bytes, 0); at < bytes.size();
       at = NextNonAscii(bytes, at + 1)) {
    for (const EncodedMarker& marker : markers) {
      if (at < marker.first_non_ascii) continue;
      if (bytes.substr(at - marker.first_non_ascii, marker.bytes.size()) == marker.bytes) {
        return true;
      }
    }
  }
  return false;
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
  std::size_t bad = std::string_view::npos;
  if (encoding == Encoding::kUtf8) {
    if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
    bad = FindInvalidUtf8(bytes);
    out.unconverted = bytes;
    if (bad != std::string_view::npos) out.bad_line = LineAt(bytes, bad);
  } else {
    out.converted = true;
    bad = DecodeCodePage(
        bytes, encoding == Encoding::kShiftJis ? CodePage::kShiftJis : CodePage::kWindows1252,
        out.conversion);
    if (bad != std::string_view::npos) {
      out.bad_line = LineAt(bytes, bad);
    } else {
      // The converter's word is not taken for it: its output is checked too.
      // Line ends convert one to one, so the line counts in the output.
      bad = FindInvalidUtf8(out.conversion);
      if (bad != std::string_view::npos) out.bad_line = LineAt(out.conversion, bad);
    }
  }
  if (bad != std::string_view::npos) {
    out.unconverted = {};
    std::string().swap(out.conversion);
    return out;
  }
  out.ok = true;
  return out;
}

DecodedText DecodeResultFile(std::string_view bytes) {
  if (bytes.substr(0, kBom.size()) == kBom) return DecodeAs(bytes, Encoding::kUtf8);
  if (IsAscii(bytes)) {
    DecodedText out;
    out.unconverted = bytes;
    out.encoding = Encoding::kWindows1252;
    out.ok = true;
    return out;
  }
  {
    // The Shift_JIS attempt's text is dropped here unless it is the answer.
    DecodedText japanese = DecodeAs(bytes, Encoding::kShiftJis);
    if (japanese.ok && HasJapaneseLabels(japanese.utf8())) return japanese;
    // Japanese labels in bytes that do not decode: a damaged Japanese file,
    // which Windows-1252 would turn into plausible-looking garbage.
    if (!japanese.ok && HasShiftJisLabels(bytes)) return japanese;
  }
  DecodedText utf8 = DecodeAs(bytes, Encoding::kUtf8);
  if (utf8.ok) return utf8;
  return DecodeAs(bytes, Encoding::kWindows1252);
}

}  // namespace norvale::fleet
