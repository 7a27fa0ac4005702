#include "fleet/load/loader.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "fleet/common/timestamps.h"
#include "fleet/load/result_file.h"
#include "fleet/load/sha256.h"
#include "fleet/store/schema.h"
#include "fleet/system/files.h"

namespace norvale::fleet {
namespace {

constexpr char kNoSuchPath[] = "no such file or folder";
constexpr char kCannotList[] = "cannot list the folder: ";
constexpr char kCannotRead[] = "cannot be read";
const std::string kTooBig = "larger than the limit of ";

// Walks the inputs: each folder once (by its identity on disk, so neither a
// second path to it nor a bind mount reads it twice), links never followed.
class ShareWalk {
 public:
  ShareWalk(bool recursive, LoadObserver& observer, LoadSummary& summary)
      : recursive_(recursive), observer_(observer), summary_(summary) {}

  void AddFolder(const std::string& folder, LastLink last_link) {
    FolderListing listing = ListFolder(folder, last_link);
    if (!listing.listed) {
      ++summary_.rejected;
      observer_.Rejected(folder, 0, kCannotList + listing.error);
      return;
    }
    if (!visited_.insert(listing.identity).second) return;
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& entry : listing.entries) {
      const std::string path = JoinPath(folder, entry.name);
      switch (entry.kind) {
        case EntryKind::kFolder:
          if (recursive_) AddFolder(path, LastLink::kRefuse);
          break;
        case EntryKind::kOther:
          SkipNotRegular(path);
          break;
        case EntryKind::kFile:
          AddFile(path);
          break;
      }
    }
  }

  void AddFile(const std::string& path) {
    const std::string why = NotAResultFile(FileNameOf(path));
    if (why.empty()) {
      files_.push_back(path);
    } else {
      ++summary_.skipped;
      observer_.Skipped(path, why);
    }
  }

  void SkipNotRegular(const std::string& path) {
    ++summary_.not_regular;
    observer_.Skipped(path, kNotARegularFile);
  }

  std::vector<std::string> TakeFiles() { return std::move(files_); }

 private:
  bool recursive_;
  LoadObserver& observer_;
  LoadSummary& summary_;
  std::set<FolderIdentity> visited_;
  std::vector<std::string> files_;
};

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
          UtcTimestamp(std::time(nullptr)),
          std::to_string(file.facts.size()),
          std::to_string(file.error_count),
          std::string(EncodingName(file.encoding))};
}

// One file as the look-ahead thread leaves it for the writer.
struct PreparedFile {
  // kNew: a content the database does not hold yet, parsed.
  enum class State { kUnreadable, kNotRegular, kTooBig, kStored, kNew };
  State state = State::kUnreadable;
  SourceInfo source;
  ParsedResultFile parsed;  // kNew: the file, or why it was rejected
  std::string error;        // kUnreadable: why
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
void ReadAhead(const std::vector<std::string>& files, const std::set<std::string>& named,
               Database& lookup, const LoadOptions& options, FileQueue& queue) {
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
        // A file the user named may be a link; one found in a folder may not.
        FileContent content =
            ReadRegularFile(files[i], options.max_file_bytes,
                            named.count(files[i]) ? LastLink::kFollow : LastLink::kRefuse);
        switch (content.status) {
          case FileContent::Status::kRead:
            break;
          case FileContent::Status::kNotRegular:
            p.prepared.state = PreparedFile::State::kNotRegular;
            continue;
          case FileContent::Status::kTooBig:
            p.prepared.state = PreparedFile::State::kTooBig;
            continue;
          case FileContent::Status::kFailed:
            p.prepared.error = content.error;
            continue;
        }
        p.bytes = std::move(content.bytes);
        p.prepared.source.mtime = UtcTimestamp(content.modified);
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
  ShareWalk walk(recursive, observer, summary);
  for (const std::string& input : inputs) {
    // What the user named may be a link; what is found inside never is.
    switch (KindOfPath(input)) {
      case PathKind::kFolder:
        walk.AddFolder(input, LastLink::kFollow);
        break;
      case PathKind::kFile:
      case PathKind::kUnknown:  // reading it tells the reason
        walk.AddFile(input);
        break;
      case PathKind::kOther:
        walk.SkipNotRegular(input);
        break;
      case PathKind::kMissing:
        ++summary.rejected;
        observer.Rejected(input, 0, kNoSuchPath);
        break;
    }
  }
  return walk.TakeFiles();
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
  const std::set<std::string> named(inputs.begin(), inputs.end());
  std::thread reader([&] { ReadAhead(files, named, *lookup, options, queue); });
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
    if (options.stop_requested && options.stop_requested()) {
      // The runs already sent are whole transactions: let them finish so
      // the summary counts what is stored.
      db.FinishQueuedRuns();
      throw LoadInterrupted{p->source.path, summary};
    }
    observer.Progress(done++, total, summary.rows, p->source.path);
    switch (p->state) {
      case PreparedFile::State::kUnreadable:
        ++summary.rejected;
        observer.Rejected(p->source.path, 0,
                          p->error.empty() ? kCannotRead : kCannotRead + (": " + p->error));
        continue;
      case PreparedFile::State::kNotRegular:
        // Listed as a file, but something else by the time it was opened.
        ++summary.not_regular;
        observer.Skipped(p->source.path, kNotARegularFile);
        continue;
      case PreparedFile::State::kTooBig:
        ++summary.rejected;
        observer.Rejected(p->source.path, 0,
                          kTooBig + std::to_string(options.max_file_bytes) + " bytes");
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
