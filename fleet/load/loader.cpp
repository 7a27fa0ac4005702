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
#include <sstream>
#include <thread>

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

// Where a file's content came from.
struct SourceInfo {
  std::string path;
  std::string sha256;
  std::string mtime;  // "YYYY-MM-DD HH:MM:SS" UTC, or empty
};

// The values of kRunColumns for one file, in order.
std::vector<Param> RunValues(const ResultFile& file, const SourceInfo& source) {
  return {file.computer,
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
}

// One file as the look-ahead thread leaves it for the writer.
struct PreparedFile {
  // kNew: a content the database does not hold yet, parsed.
  enum class State { kUnreadable, kStored, kNew };
  State state = State::kUnreadable;
  SourceInfo source;
  ParsedResultFile parsed;  // kNew: the file, or why it was rejected
};

// How many prepared files may wait for the writer.
constexpr std::size_t kFilesAhead = 32;

// A bounded queue from the look-ahead thread to the writer, in file order.
// The reader's failure travels through it and is thrown where the writer
// reaches it; Cancel stops a reader whose writer gave up.
class FileQueue {
 public:
  explicit FileQueue(std::size_t capacity) : capacity_(capacity) {}

  // False when the writer has cancelled: the reader stops.
  bool Push(PreparedFile file) {
    std::unique_lock<std::mutex> lock(mutex_);
    space_.wait(lock, [&] { return cancelled_ || files_.size() < capacity_; });
    if (cancelled_) return false;
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
  std::size_t capacity_;
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
    constexpr std::size_t kBatch = 128;
    struct Pending {
      std::string bytes;
      PreparedFile prepared;
    };
    std::vector<Pending> batch;
    for (std::size_t first = 0; first < files.size(); first += kBatch) {
      const std::size_t last = std::min(files.size(), first + kBatch);
      batch.assign(last - first, Pending{});
      std::string sql = "SELECT file_sha256 FROM runs WHERE file_sha256 IN (";
      std::vector<Param> hashes;
      for (std::size_t i = first; i < last; ++i) {
        Pending& p = batch[i - first];
        p.prepared.source.path = files[i];
        if (!ReadWholeFile(files[i], p.bytes)) continue;
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
            prepared.parsed = ParseResultFile(p.bytes, options.encoding);
            struct stat st {};
            if (stat(prepared.source.path.c_str(), &st) == 0) {
              prepared.source.mtime = UtcText(st.st_mtime);
            }
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
  FileQueue queue(kFilesAhead);
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
        observer.Rejected(p->source.path, 0, "cannot be read");
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
    db.QueueRunWithFacts(RunValues(*p->parsed.file, p->source), p->parsed.file->facts,
                         [&summary, rows](std::optional<std::int64_t> run_id) {
                           if (run_id) {
                             ++summary.loaded;
                             summary.rows += rows;
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
