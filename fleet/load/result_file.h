// One result file, read, checked and split into the run and its facts.
#pragma once

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

// Reads a whole file's bytes. `forced` skips the encoding detection.
ParsedResultFile ParseResultFile(std::string_view bytes, std::optional<Encoding> forced);

// Why a file name is not a result file ("" when it is one): result files end
// in .tsv or .csv; partial copies (*.part) and the program's temporary files
// (~Norvale*) are not.
std::string NotAResultFile(std::string_view file_name);

}  // namespace norvale::fleet
