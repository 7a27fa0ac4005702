// Loading result files into the fleet database, each file stored whole or not at all.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fleet/load/encoding.h"
#include "fleet/store/database.h"

namespace norvale::fleet {

// Real result files are well under a few megabytes; a bigger file is
// rejected without being read, so that no file can exhaust the memory
// (--max-file-size raises the limit).
inline constexpr std::uint64_t kDefaultMaxFileBytes = std::uint64_t{16} << 20;

struct LoadOptions {
  bool recursive = false;
  std::optional<Encoding> encoding;  // forced; detected per file otherwise
  std::uint64_t max_file_bytes = kDefaultMaxFileBytes;
  // Loads files whose name is not their computer's (Norvale names each file
  // after its computer; anything else may be one computer posing as another).
  bool any_file_name = false;
  // Asked between two files and while a file's rows are stored: true stops
  // the load, rolling back the file whose rows are not committed yet (Ctrl+C).
  std::function<bool()> stop_requested;
};

// Why a link, FIFO, device or socket was passed over, per entry and in the
// summary.
inline constexpr char kNotARegularFile[] = "not a regular file";

struct LoadSummary {
  int loaded = 0;
  int unchanged = 0;
  int rejected = 0;
  int skipped = 0;        // names that are no result files
  int not_regular = 0;    // links, FIFOs, devices: passed over unread
  int clock_ahead = 0;    // runs stored whose header time lies ahead of the clock
  std::int64_t rows = 0;  // facts stored
};

// What a load tells as it goes; the command line prints it.
class LoadObserver {
 public:
  virtual ~LoadObserver() = default;
  virtual void Skipped(const std::string& /*path*/, const std::string& /*why*/) {}
  virtual void Rejected(const std::string& /*path*/, int /*line*/, const std::string& /*why*/) {}
  // A run stored, but dated more than a day after it was loaded and after
  // the file's time: it never counts as its computer's newest by that date.
  virtual void ClockAhead(const std::string& /*path*/, const std::string& /*computer*/,
                          const std::string& /*run_at*/) {}
  // Before each file: files done so far of the total, rows stored so far.
  virtual void Progress(int /*done*/, int /*total*/, std::int64_t /*rows*/,
                        const std::string& /*path*/) {}
};

// A load stopped on request: the files before `next_path` are stored whole,
// it and the ones after it are not. `rolled_back`: its rows were being
// stored and were rolled back; otherwise it was not begun.
struct LoadInterrupted {
  std::string next_path;
  LoadSummary summary;
  bool rolled_back = false;
};

// The result files that `inputs` (files and folders) name, in a stable order.
// Only regular files are taken, links inside folders are never followed and
// each folder is listed once however many paths lead to it. Names that are
// no result files and entries that are no regular files go to the observer
// as skipped.
std::vector<std::string> CollectResultFiles(const std::vector<std::string>& inputs, bool recursive,
                                            LoadObserver& observer, LoadSummary& summary);

// Loads every file. Rejected files are reported and left out, a file whose
// rows the database refuses (a constraint, an encoding, a value too big) too;
// any other database failure rolls back the file in hand and is thrown (the
// files stored before it stay, and a rerun stores the rest). Memory stays
// bounded: files are read ahead only up to a number of bytes. A stop request
// rolls back the file in hand and throws LoadInterrupted.
LoadSummary LoadResultFiles(Database& db, const std::vector<std::string>& inputs,
                            const LoadOptions& options, LoadObserver& observer);

}  // namespace norvale::fleet
