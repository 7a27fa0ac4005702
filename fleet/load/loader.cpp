#include "fleet/load/loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>

#include "fleet/common/timestamps.h"
#include "fleet/load/computer_name.h"
#include "fleet/load/result_file.h"
#include "fleet/load/sha256.h"
#include "fleet/store/schema.h"

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

std::string SizeText(std::uint64_t bytes) {
  return bytes % (1 << 20) == 0 ? std::to_string(bytes >> 20) + " MB"
                                : std::to_string(bytes) + " bytes";
}

// Reads a whole file of at most `limit` bytes into `bytes`; the reason it
// could not otherwise. `size` is what the file's status said, a guess only:
// the file may change while it is read.
std::string ReadWholeFile(const std::string& path, std::uint64_t size, std::uint64_t limit,
                          std::string& bytes) {
  const std::string too_big =
      "larger than the limit of " + SizeText(limit) + " (--max-file-size raises it)";
  if (size > limit) return too_big;
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot be read";
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(size));
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > limit) {
      std::string().swap(bytes);
      return too_big;
    }
  }
  if (in.bad()) return "cannot be read";
  return {};
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

// Where a file's content came from.
struct SourceInfo {
  std::string path;
  std::string sha256;
  std::string mtime;  // "YYYY-MM-DD HH:MM:SS" UTC, or empty
};

// The values of kRunColumns for one file, in order.
std::vector<Param> RunValues(const ResultFile& file, const SourceInfo& source) {
  const std::string loaded_at = UtcText(std::time(nullptr));
  const bool ahead = IsAheadOfClock(file.run_at, loaded_at, source.mtime);
  // When the file was written, where its header cannot tell: its time, unless
  // that lies after the load (a file's time is the writer's to set as well).
  const std::string& written =
      !source.mtime.empty() && source.mtime < loaded_at ? source.mtime : loaded_at;
  return {file.computer,
          file.run_date,
          file.run_time,
          OrNull(file.run_at),
          file.norvale_version,
          source.path,
          source.sha256,
          OrNull(source.mtime),
          loaded_at,
          std::to_string(file.facts.size()),
          std::to_string(file.error_count),
          std::string(EncodingName(file.encoding)),
          file.run_at.empty() || ahead ? written : file.run_at,
          ahead ? "1" : "0"};
}

// One file as the look-ahead thread leaves it for the writer.
struct PreparedFile {
  // kNew: a content the database does not hold yet, parsed.
  enum class State { kUnreadable, kStored, kNew };
  State state = State::kUnreadable;
  std::string unreadable;  // kUnreadable: why
  SourceInfo source;
  ParsedResultFile parsed;  // kNew: the file, or why it was rejected
  std::size_t memory = 0;   // about what the parsed file holds, in bytes
};

// About the memory a parsed file holds: its facts and their texts.
std::size_t MemoryOf(const ParsedResultFile& parsed) {
  if (!parsed.file) return 0;
  std::size_t bytes = parsed.file->facts.capacity() * sizeof(Fact);
  for (const Fact& f : parsed.file->facts) {
    for (const std::string* text : {&f.category, &f.item, &f.subitem, &f.contents, &f.unit}) {
      if (text->size() >= sizeof(std::string)) bytes += text->capacity() + 1;
    }
  }
  return bytes;
}

constexpr std::string_view kFileNamed = "the file is named \"";
constexpr std::string_view kRowsOf = "\" but its rows are of \"";
constexpr std::string_view kNameRule =
    "\" (Norvale names each file after its computer; --any-file-name loads it anyway)";

// Norvale names each file after its computer: a file whose rows name another
// computer may be one computer posing as another, and is refused.
void RequireOwnFileName(PreparedFile& prepared) {
  if (!prepared.parsed.file) return;
  const std::string named = ComputerOfFileName(prepared.source.path);
  const std::string& computer = prepared.parsed.file->computer;
  if (SameComputerName(named, computer)) return;
  prepared.parsed.file.reset();
  prepared.parsed.rejection = {1, std::string(kFileNamed) + named + std::string(kRowsOf) +
                                      computer + std::string(kNameRule)};
}

// How much may wait for the writer: a few files, and a few megabytes of them
// (one file is always let through, however big).
constexpr std::size_t kFilesAhead = 32;
constexpr std::size_t kBytesAhead = std::size_t{32} << 20;
// How many files' bytes are read before the database is asked which of them
// it holds: by number and by size.
constexpr std::size_t kBatchFiles = 128;
constexpr std::size_t kBatchBytes = std::size_t{32} << 20;

// A bounded queue from the look-ahead thread to the writer, in file order.
// The reader's failure travels through it and is thrown where the writer
// reaches it; Cancel stops a reader whose writer gave up.
class FileQueue {
 public:
  FileQueue(std::size_t max_files, std::size_t max_bytes)
      : max_files_(max_files), max_bytes_(max_bytes) {}

  // False when the writer has cancelled: the reader stops.
  bool Push(PreparedFile file) {
    std::unique_lock<std::mutex> lock(mutex_);
    space_.wait(lock, [&] {
      return cancelled_ || files_.empty() ||
             (files_.size() < max_files_ && bytes_ + file.memory <= max_bytes_);
    });
    if (cancelled_) return false;
    bytes_ += file.memory;
    files_.push_back(std::move(file));
    ready_.notify_one();
    return true;
  }
  // The end of the files, or the reason the reader stopped early.
  void Finish(std::exception_ptr failure = nullptr) {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    failure_ = failure;
    ready_.notify_one();
  }
  // The next file; nothing after the last one. Rethrows the reader's failure.
  std::optional<PreparedFile> Pop() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return !files_.empty() || finished_; });
    if (files_.empty()) {
      if (failure_) std::rethrow_exception(failure_);
      return std::nullopt;
    }
    PreparedFile file = std::move(files_.front());
    files_.pop_front();
    bytes_ -= file.memory;
    space_.notify_one();
    return file;
  }
  void Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    space_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_, space_;
  std::deque<PreparedFile> files_;
  std::size_t max_files_, max_bytes_;
  std::size_t bytes_ = 0;
  bool finished_ = false, cancelled_ = false;
  std::exception_ptr failure_;
};

// The look-ahead: reads and hashes the files in batches, asks the database
// once per batch which contents it holds already (identical bytes are the
// same run of the same computer, so they need no parsing, which keeps a
// reload of an unchanged share quick), and parses the others. The check is
// only a shortcut: the store itself refuses a content it already has.
void ReadAhead(const std::vector<std::string>& files, Database& lookup, const LoadOptions& options,
               FileQueue& queue) {
  try {
    struct Pending {
      std::string bytes;
      std::optional<std::int64_t> modified_at;
      PreparedFile prepared;
    };
    std::vector<Pending> batch;
    std::size_t next = 0;
    while (next < files.size()) {
      batch.clear();
      std::size_t batch_bytes = 0;
      std::string sql = "SELECT file_sha256 FROM runs WHERE file_sha256 IN (";
      std::vector<Param> hashes;
      while (next < files.size() && batch.size() < kBatchFiles && batch_bytes < kBatchBytes) {
        Pending& p = batch.emplace_back();
        p.prepared.source.path = files[next++];
        struct stat st {};
        if (stat(p.prepared.source.path.c_str(), &st) != 0) {
          p.prepared.unreadable = "cannot be read";
          continue;
        }
        p.modified_at = st.st_mtime;
        p.prepared.source.mtime = UtcText(st.st_mtime);
        p.prepared.unreadable =
            ReadWholeFile(p.prepared.source.path, static_cast<std::uint64_t>(st.st_size),
                          options.max_file_bytes, p.bytes);
        if (!p.prepared.unreadable.empty()) continue;
        batch_bytes += p.bytes.size();
        p.prepared.state = PreparedFile::State::kNew;
        p.prepared.source.sha256 = Sha256Hex(p.bytes);
        sql += hashes.empty() ? "?" : ", ?";
        hashes.push_back(p.prepared.source.sha256);
      }
      std::set<std::string> stored;
      if (!hashes.empty()) {
        for (const Row& row : lookup.Query(sql + ")", hashes)) stored.insert(row[0].value_or(""));
      }
      for (Pending& p : batch) {
        PreparedFile& prepared = p.prepared;
        if (prepared.state == PreparedFile::State::kNew) {
          if (stored.count(prepared.source.sha256)) {
            prepared.state = PreparedFile::State::kStored;
          } else {
            prepared.parsed = ParseResultFile(p.bytes, {options.encoding, p.modified_at});
            if (!options.any_file_name) RequireOwnFileName(prepared);
            prepared.memory = MemoryOf(prepared.parsed);
          }
        }
        std::string().swap(p.bytes);
        if (!queue.Push(std::move(prepared))) return;
      }
    }
    queue.Finish();
  } catch (...) {
    queue.Finish(std::current_exception());
  }
}

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

LoadSummary LoadResultFiles(Database& db, const std::vector<std::string>& inputs,
                            const LoadOptions& options, LoadObserver& observer) {
  LoadSummary summary;
  const std::vector<std::string> files =
      CollectResultFiles(inputs, options.recursive, observer, summary);
  EnsureSchema(db);
  const int total = static_cast<int>(files.size());
  // Reading, hashing and parsing run on a second thread, ahead of the
  // database writes on this one; the queue between them is short, so memory
  // does not grow with the number of files. The look-ahead has its own
  // connection for its stored-content checks.
  std::unique_ptr<Database> lookup = db.OpenAnother();
  FileQueue queue(kFilesAhead, kBytesAhead);
  std::thread reader([&] { ReadAhead(files, *lookup, options, queue); });
  struct StopReader {
    FileQueue& queue;
    std::thread& reader;
    ~StopReader() {
      queue.Cancel();
      reader.join();
    }
  } stop_reader{queue, reader};

  int done = 0;
  while (std::optional<PreparedFile> p = queue.Pop()) {
    observer.Progress(done++, total, summary.rows, p->source.path);
    switch (p->state) {
      case PreparedFile::State::kUnreadable:
        ++summary.rejected;
        observer.Rejected(p->source.path, 0, p->unreadable);
        continue;
      case PreparedFile::State::kStored:
        ++summary.unchanged;
        continue;
      case PreparedFile::State::kNew:
        break;
    }
    if (!p->parsed.file) {
      ++summary.rejected;
      observer.Rejected(p->source.path, p->parsed.rejection.line, p->parsed.rejection.reason);
      continue;
    }
    const auto rows = static_cast<std::int64_t>(p->parsed.file->facts.size());
    std::vector<Param> run = RunValues(*p->parsed.file, p->source);
    const bool ahead = run[kRunColumnCount - 1] == "1";
    db.QueueRunWithFacts(
        run, p->parsed.file->facts,
        [&summary, &observer, rows, ahead, path = p->source.path,
         computer = p->parsed.file->computer,
         run_at = p->parsed.file->run_at](const Database::StoreOutcome& outcome) {
          if (!outcome.refused.empty()) {
            // The database refused this file's rows: only this file is left out.
            ++summary.rejected;
            observer.Rejected(path, 0, outcome.refused);
          } else if (outcome.run_id) {
            ++summary.loaded;
            summary.rows += rows;
            if (ahead) {
              ++summary.clock_ahead;
              observer.ClockAhead(path, computer, run_at);
            }
          } else {
            ++summary.unchanged;
          }
        });
  }
  db.FinishQueuedRuns();
  observer.Progress(total, total, summary.rows, {});
  return summary;
}

}  // namespace norvale::fleet
