// What the store keeps of one result file: the run it records and its lines
// as facts.
#pragma once

#include <cstdint>
#include <string>

namespace norvale::fleet {

// One line of a result file as written, with the line it starts on.
struct Fact {
  int line = 0;
  std::string category, item, subitem, contents, unit;
};

// One row of the runs table: what the file's header says, where the file
// came from and when the run counts as seen. Empty run_at and file_mtime are
// stored as null (unknown).
struct RunRecord {
  std::string computer;
  std::string run_date, run_time;  // the header's texts as written
  std::string run_at;              // "YYYY-MM-DD HH:MM:SS"; empty where the format is unknown
  std::string norvale_version;
  std::string source_file, file_sha256;
  std::string file_mtime;  // UTC; empty when the file's time is unknown
  std::string loaded_at;
  std::int64_t row_count = 0, error_count = 0;
  std::string encoding;
  // When the run counts as seen, the time its computer's newest run is chosen
  // by: run_at, or where the header time is unknown or lies ahead of the
  // clock (clock_ahead) the file's time if not after the load, else loaded_at.
  std::string seen_at;
  bool clock_ahead = false;
};

}  // namespace norvale::fleet
