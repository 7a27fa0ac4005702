// The fleet's reading of a result file, with the encoding told from the bytes
// and with each forced encoding: whatever the bytes, the file is either
// rejected with a reason or read whole, and what it yields is valid UTF-8
// within the limits, with its lines in order and its error rows counted.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/result_labels.h"
#include "core/utf.h"
#include "fleet/load/result_file.h"
#include "fuzz/fuzz_check.h"

namespace {

using norvale::FindInvalidUtf8;
using namespace norvale::fleet;

bool Utf8WithinLimit(std::string_view text, std::size_t limit) {
  return text.size() <= limit && FindInvalidUtf8(text) == std::string_view::npos;
}

std::size_t Characters(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

void CheckParsed(const ParsedResultFile& parsed) {
  // Rejection or acceptance, never both.
  if (!parsed.file) {
    FUZZ_CHECK(!parsed.rejection.reason.empty());
    FUZZ_CHECK(parsed.rejection.line >= 0);
    return;
  }
  FUZZ_CHECK(parsed.rejection.reason.empty() && parsed.rejection.line == 0);
  const ResultFile& file = *parsed.file;
  FUZZ_CHECK(!file.facts.empty());
  FUZZ_CHECK(file.facts.size() <= kMaxLines);
  FUZZ_CHECK(!file.computer.empty());
  FUZZ_CHECK(Utf8WithinLimit(file.computer, 4 * kMaxComputerNameCharacters));
  FUZZ_CHECK(Characters(file.computer) <= kMaxComputerNameCharacters);
  for (const std::string_view header :
       {std::string_view(file.run_date), std::string_view(file.run_time),
        std::string_view(file.norvale_version)}) {
    FUZZ_CHECK(Utf8WithinLimit(header, kMaxHeaderFieldBytes));
  }
  FUZZ_CHECK(file.run_at.empty() || file.run_at.size() == 19);
  int previous_line = 0;
  int errors = 0;
  for (const Fact& f : file.facts) {
    FUZZ_CHECK(f.line > previous_line);
    previous_line = f.line;
    for (const std::string* text : {&f.category, &f.item, &f.subitem, &f.contents, &f.unit}) {
      FUZZ_CHECK(Utf8WithinLimit(*text, kMaxFieldBytes));
    }
    errors += f.item == norvale::kItemError;
  }
  FUZZ_CHECK(file.facts.front().line == 1);
  FUZZ_CHECK(file.error_count == errors);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // A fixed modification time, so that ambiguous dates take both readings.
  const std::optional<std::int64_t> modified_at = 1796083200;  // 2026-12-01
  for (const std::optional<Encoding> encoding :
       {std::optional<Encoding>(), std::optional<Encoding>(Encoding::kUtf8),
        std::optional<Encoding>(Encoding::kShiftJis),
        std::optional<Encoding>(Encoding::kWindows1252)}) {
    CheckParsed(ParseResultFile(bytes, {encoding, modified_at}));
  }
  return 0;
}
