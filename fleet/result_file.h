// One result file, read, checked and split into the run and its facts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/encoding.h"

namespace norvale::fleet {

struct Fact {
  int line = 0;
  std::string category, item, subitem, contents, unit;
};

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

// Reads a whole file's bytes. `forced` skips the encoding detection.
ParsedResultFile ParseResultFile(std::string_view bytes, std::optional<Encoding> forced);

// The header's date and time as one sortable timestamp, or empty text. Dates
// with the year first (2026/12/08, 2026-12-08) read year, month, day; with the
// year last, "." reads day first and "/" month first unless the first number
// cannot be a month. Times are H:MM[:SS] with an optional AM/PM (or 午前/午後).
std::string NormaliseRunAt(std::string_view date, std::string_view time);

// Why a file name is not a result file ("" when it is one): result files end
// in .tsv or .csv; partial copies (*.part) and the program's temporary files
// (~Norvale*) are not.
std::string NotAResultFile(std::string_view file_name);

}  // namespace norvale::fleet
