#include "fleet/loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fleet/schema.h"
#include "fleet/sha256.h"

namespace norvale::fleet {
namespace {

namespace fs = std::filesystem;

std::string UtcText(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char out[32];
  std::strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S", &tm);
  return out;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  bytes = std::move(buffer).str();
  return true;
}

void AddFolder(const fs::path& folder, bool recursive, std::vector<std::string>& files,
               LoadObserver& observer, LoadSummary& summary) {
  std::vector<fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  for (const fs::path& entry : entries) {
    std::error_code type_ec;
    if (fs::is_directory(entry, type_ec)) {
      if (recursive) AddFolder(entry, true, files, observer, summary);
      continue;
    }
    const std::string why = NotAResultFile(entry.filename().string());
    if (why.empty()) {
      files.push_back(entry.string());
    } else {
      ++summary.skipped;
      observer.Skipped(entry.string(), why);
    }
  }
}

const char* kInsertRun =
    "INSERT INTO runs (computer, run_date, run_time, run_at, norvale_version, source_file,"
    " file_sha256, file_mtime, loaded_at, row_count, error_count, encoding)"
    " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
    " ON CONFLICT (file_sha256, computer) DO NOTHING RETURNING run_id";

Param OrNull(const std::string& text) { return text.empty() ? Param() : Param(text); }

}  // namespace

std::vector<std::string> CollectResultFiles(const std::vector<std::string>& inputs, bool recursive,
                                            LoadObserver& observer, LoadSummary& summary) {
  std::vector<std::string> files;
  for (const std::string& input : inputs) {
    std::error_code ec;
    if (fs::is_directory(input, ec)) {
      AddFolder(input, recursive, files, observer, summary);
    } else if (!fs::exists(input, ec)) {
      ++summary.rejected;
      observer.Rejected(input, 0, "no such file or folder");
    } else {
      const std::string why = NotAResultFile(fs::path(input).filename().string());
      if (why.empty()) {
        files.push_back(input);
      } else {
        ++summary.skipped;
        observer.Skipped(input, why);
      }
    }
  }
  return files;
}

StoreOutcome StoreRun(Database& db, const ResultFile& file, const SourceInfo& source) {
  for (int attempt = 1;; ++attempt) {
    db.BeginWrite();
    try {
      const auto ids = db.Query(
          kInsertRun,
          {file.computer, file.run_date, file.run_time, OrNull(file.run_at), file.norvale_version,
           source.path, source.sha256, OrNull(source.mtime), UtcText(std::time(nullptr)),
           std::to_string(file.facts.size()), std::to_string(file.error_count),
           std::string(EncodingName(file.encoding))});
      if (ids.empty()) {  // the same content is stored already
        db.Rollback();
        return StoreOutcome::kUnchanged;
      }
      db.InsertFacts(std::stoll(*ids[0][0]), file.facts);
      db.Commit();
      return StoreOutcome::kLoaded;
    } catch (const DatabaseError& e) {
      db.Rollback();
      if (e.kind() != DatabaseError::Kind::kRetry || attempt == 3) throw;
    }
  }
}

LoadSummary LoadResultFiles(Database& db, const std::vector<std::string>& inputs,
                            const LoadOptions& options, LoadObserver& observer) {
  LoadSummary summary;
  const std::vector<std::string> files =
      CollectResultFiles(inputs, options.recursive, observer, summary);
  EnsureSchema(db);
  const int total = static_cast<int>(files.size());
  std::string bytes;
  for (int i = 0; i < total; ++i) {
    const std::string& path = files[i];
    observer.Progress(i, total, summary.rows, path);
    if (!ReadWholeFile(path, bytes)) {
      ++summary.rejected;
      observer.Rejected(path, 0, "cannot be read");
      continue;
    }
    SourceInfo source{path, Sha256Hex(bytes), {}};
    // Identical bytes are the same run of the same computer: no need to read
    // them again. This keeps a reload of an unchanged share quick.
    if (!db.Query("SELECT 1 FROM runs WHERE file_sha256 = ? LIMIT 1", {source.sha256}).empty()) {
      ++summary.unchanged;
      continue;
    }
    ParsedResultFile parsed = ParseResultFile(bytes, options.encoding);
    if (!parsed.file) {
      ++summary.rejected;
      observer.Rejected(path, parsed.rejection.line, parsed.rejection.reason);
      continue;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) source.mtime = UtcText(st.st_mtime);
    if (StoreRun(db, *parsed.file, source) == StoreOutcome::kLoaded) {
      ++summary.loaded;
      summary.rows += static_cast<std::int64_t>(parsed.file->facts.size());
    } else {
      ++summary.unchanged;
    }
  }
  observer.Progress(total, total, summary.rows, {});
  return summary;
}

}  // namespace norvale::fleet
