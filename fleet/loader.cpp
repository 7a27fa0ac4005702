#include "fleet/loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
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
  const std::vector<Param> run = {file.computer,
                                  file.run_date,
                                  file.run_time,
                                  OrNull(file.run_at),
                                  file.norvale_version,
                                  source.path,
                                  source.sha256,
                                  OrNull(source.mtime),
                                  UtcText(std::time(nullptr)),
                                  std::to_string(file.facts.size()),
                                  std::to_string(file.error_count),
                                  std::string(EncodingName(file.encoding))};
  for (int attempt = 1;; ++attempt) {
    try {
      return db.StoreRunWithFacts(run, file.facts) ? StoreOutcome::kLoaded
                                                   : StoreOutcome::kUnchanged;
    } catch (const DatabaseError& e) {
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
  // Files go in batches: one query tells which contents are stored already
  // (identical bytes are the same run of the same computer, so they need no
  // reading), which keeps a reload of an unchanged share quick. A batch is
  // small enough that memory does not grow with the number of files.
  constexpr int kBatch = 128;
  struct Pending {
    std::string bytes;
    SourceInfo source;
    bool readable = false;
  };
  std::vector<Pending> batch;
  for (int first = 0; first < total; first += kBatch) {
    const int last = std::min(total, first + kBatch);
    batch.assign(static_cast<std::size_t>(last - first), Pending{});
    std::string sql = "SELECT file_sha256 FROM runs WHERE file_sha256 IN (";
    std::vector<Param> hashes;
    for (int i = first; i < last; ++i) {
      Pending& p = batch[static_cast<std::size_t>(i - first)];
      p.source.path = files[static_cast<std::size_t>(i)];
      p.readable = ReadWholeFile(p.source.path, p.bytes);
      if (!p.readable) continue;
      p.source.sha256 = Sha256Hex(p.bytes);
      sql += hashes.empty() ? "?" : ", ?";
      hashes.push_back(p.source.sha256);
    }
    std::set<std::string> stored;
    if (!hashes.empty()) {
      for (const Row& row : db.Query(sql + ")", hashes)) stored.insert(row[0].value_or(""));
    }
    for (int i = first; i < last; ++i) {
      Pending& p = batch[static_cast<std::size_t>(i - first)];
      observer.Progress(i, total, summary.rows, p.source.path);
      if (!p.readable) {
        ++summary.rejected;
        observer.Rejected(p.source.path, 0, "cannot be read");
        continue;
      }
      if (stored.count(p.source.sha256)) {
        ++summary.unchanged;
        continue;
      }
      ParsedResultFile parsed = ParseResultFile(p.bytes, options.encoding);
      std::string().swap(p.bytes);
      if (!parsed.file) {
        ++summary.rejected;
        observer.Rejected(p.source.path, parsed.rejection.line, parsed.rejection.reason);
        continue;
      }
      struct stat st {};
      if (stat(p.source.path.c_str(), &st) == 0) p.source.mtime = UtcText(st.st_mtime);
      if (StoreRun(db, *parsed.file, p.source) == StoreOutcome::kLoaded) {
        ++summary.loaded;
        summary.rows += static_cast<std::int64_t>(parsed.file->facts.size());
      } else {
        ++summary.unchanged;
      }
    }
  }
  observer.Progress(total, total, summary.rows, {});
  return summary;
}

}  // namespace norvale::fleet
