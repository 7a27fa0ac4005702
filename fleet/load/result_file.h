// One result file, read, checked and split into the run and its facts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/load/encoding.h"
#include "fleet/store/records.h"

namespace norvale::fleet {

struct ResultFile {
  std::string computer;
  std::string run_date, run_time;  // the header row's texts as written
  std::string run_at;              // "YYYY-MM-DD HH:MM:SS", empty where the format is unknown
  std::string norvale_version;
  Encoding encoding{};
  std::vector<Fact> facts;  // every line, the header row first
  int error_count = 0;      // rows whose item is "error"
};

struct Rejection {
  int line = 0;  // 0 when the reason concerns the file as a whole
  std::string reason;
};

struct ParsedResultFile {
  std::optional<ResultFile> file;  // set when the file is sound
  Rejection rejection;             // why not, otherwise
};

// What a result file may hold; a file over any limit is rejected with the
// line and the reason, so that no single file can fill the memory or have
// its rows refused by the database. Real files stay far below them.
inline constexpr std::size_t kMaxComputerNameCharacters = 63;  // as Windows allows it
inline constexpr std::size_t kMaxHeaderFieldBytes = 255;       // date, time, version
inline constexpr std::size_t kMaxFieldBytes = 65536;           // any other field
inline constexpr std::size_t kMaxLines = 500000;

struct ParseOptions {
  std::optional<Encoding> encoding;  // forced; told from the bytes otherwise
  // Seconds since 1970 (UTC) of the file's modification time: an ambiguous
  // header date is read the way closest to it and not after it.
  std::optional<std::int64_t> modified_at;
};

// Reads a whole file's bytes.
ParsedResultFile ParseResultFile(std::string_view bytes, const ParseOptions& options = {});

// Why a file name is not a result file ("" when it is one): result files end
// in .tsv or .csv; partial copies (*.part) and the program's temporary files
// (~Norvale*) are not.
std::string NotAResultFile(std::string_view file_name);

}  // namespace norvale::fleet
