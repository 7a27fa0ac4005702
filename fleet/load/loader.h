// Loading result files into the fleet database, one transaction per file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fleet/load/encoding.h"
#include "fleet/store/database.h"

namespace norvale::fleet {

struct LoadOptions {
  bool recursive = false;
  std::optional<Encoding> encoding;  // forced; detected per file otherwise
};

struct LoadSummary {
  int loaded = 0;
  int unchanged = 0;
  int rejected = 0;
  int skipped = 0;
  std::int64_t rows = 0;  // facts stored
};

// What a load tells as it goes; the command line prints it.
class LoadObserver {
 public:
  virtual ~LoadObserver() = default;
  virtual void Skipped(const std::string& /*path*/, const std::string& /*why*/) {}
  virtual void Rejected(const std::string& /*path*/, int /*line*/, const std::string& /*why*/) {}
  // Before each file: files done so far of the total, rows stored so far.
  virtual void Progress(int /*done*/, int /*total*/, std::int64_t /*rows*/,
                        const std::string& /*path*/) {}
};

// The result files that `inputs` (files and folders) name, in a stable order.
// Names that are no result files go to the observer as skipped.
std::vector<std::string> CollectResultFiles(const std::vector<std::string>& inputs, bool recursive,
                                            LoadObserver& observer, LoadSummary& summary);

// Loads every file. Rejected files are reported and left out; a database
// failure rolls back the file in hand and is thrown (the files stored before
// it stay, and a rerun stores the rest).
LoadSummary LoadResultFiles(Database& db, const std::vector<std::string>& inputs,
                            const LoadOptions& options, LoadObserver& observer);

}  // namespace norvale::fleet
