#include "fleet/load/loader.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>

#include "fleet/common/sha256.h"
#include "fleet/common/timestamps.h"
#include "fleet/load/computer_name.h"
#include "fleet/load/result_file.h"
#include "fleet/store/schema.h"
#include "fleet/system/files.h"

namespace norvale::fleet {
namespace {

std::string SizeText(std::uint64_t bytes) {
  return bytes % (1 << 20) == 0 ? std::to_string(bytes >> 20) + " MB"
                                : std::to_string(bytes) + " bytes";
}

constexpr char kNoSuchPath[] = "no such file or folder";
constexpr char kCannotList[] = "cannot list the folder: ";
constexpr char kCannotRead[] = "cannot be read";

std::string TooBig(std::uint64_t limit) {
  return "larger than the limit of " + SizeText(limit) + " (--max-file-size raises it)";
}

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

// Where a file's content came from.
struct SourceInfo {
  std::string path;
  std::string sha256;
  std::string mtime;  // "YYYY-MM-DD HH:MM:SS" UTC, or empty
};

RunRecord RunRecordOf(const ResultFile& file, const SourceInfo& source) {
  const std::string loaded_at = UtcTimestamp(std::time(nullptr));
  const bool ahead = IsAheadOfClock(file.run_at, loaded_at, source.mtime);
  // When the file was written, where its header cannot tell: its time, unless
  // that lies after the load (a file's time is the writer's to set as well).
  const std::string& written =
      !source.mtime.empty() && source.mtime < loaded_at ? source.mtime : loaded_at;
  return {.computer = file.computer,
          .run_date = file.run_date,
          .run_time = file.run_time,
          .run_at = file.run_at,
          .norvale_version = file.norvale_version,
          .source_file = source.path,
          .file_sha256 = source.sha256,
          .file_mtime = source.mtime,
          .loaded_at = loaded_at,
          .row_count = static_cast<std::int64_t>(file.facts.size()),
          .error_count = file.error_count,
          .encoding = std::string(EncodingName(file.encoding)),
          .seen_at = file.run_at.empty() || ahead ? written : file.run_at,
          .clock_ahead = ahead};
}

// One file as the look-ahead thread leaves it for the writer.
struct PreparedFile {
  // kNew: a content the database does not hold yet, parsed.
  enum class State { kUnreadable, kNotRegular, kStored, kNew };
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
  // A copy: the file, and the name with it, is dropped before the message is made.
  const std::string computer = prepared.parsed.file->computer;
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
  // `meanwhile` runs once when no file came within `patience`.
  std::optional<PreparedFile> Pop(std::chrono::milliseconds patience,
                                  const std::function<void()>& meanwhile) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto has_news = [&] { return !files_.empty() || finished_; };
    if (!ready_.wait_for(lock, patience, has_news)) {
      lock.unlock();
      meanwhile();
      lock.lock();
      ready_.wait(lock, has_news);
    }
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

// A file read and hashed by the look-ahead, its bytes kept until it is
// known whether the database holds them already.
struct PendingFile {
  std::string bytes;
  std::optional<std::int64_t> modified_at;
  PreparedFile prepared;
};

// Reads the file at `path` into `pending`; false when it cannot be stored
// (the prepared file then says why).
bool ReadPendingFile(const std::string& path, const std::set<std::string>& named,
                     const LoadOptions& options, PendingFile& pending) {
  pending.prepared.source.path = path;
  // A file the user named may be a link; one found in a folder may not.
  FileContent content = ReadRegularFile(path, options.max_file_bytes,
                                        named.count(path) ? LastLink::kFollow : LastLink::kRefuse);
  switch (content.status) {
    case FileContent::Status::kRead:
      break;
    case FileContent::Status::kNotRegular:
      pending.prepared.state = PreparedFile::State::kNotRegular;
      return false;
    case FileContent::Status::kTooBig:
      pending.prepared.unreadable = TooBig(options.max_file_bytes);
      return false;
    case FileContent::Status::kFailed:
      pending.prepared.unreadable = std::string(kCannotRead) + ": " + content.error;
      return false;
  }
  pending.bytes = std::move(content.bytes);
  pending.modified_at = content.modified;
  pending.prepared.source.mtime = UtcTimestamp(content.modified);
  pending.prepared.state = PreparedFile::State::kNew;
  pending.prepared.source.sha256 = Sha256Hex(pending.bytes);
  return true;
}

// Of the batch's readable files, the contents the database holds already.
std::set<std::string> StoredContents(Database& lookup, const std::vector<PendingFile>& batch) {
  std::string sql = "SELECT file_sha256 FROM runs WHERE file_sha256 IN (";
  std::vector<Param> hashes;
  for (const PendingFile& p : batch) {
    if (p.prepared.state != PreparedFile::State::kNew) continue;
    sql += hashes.empty() ? "?" : ", ?";
    hashes.push_back(p.prepared.source.sha256);
  }
  std::set<std::string> stored;
  if (hashes.empty()) return stored;
  for (const Row& row : lookup.Query(sql + ")", hashes)) stored.insert(row[0].value_or(""));
  return stored;
}

// The look-ahead: reads and hashes the files in batches, asks the database
// once per batch which contents it holds already (identical bytes are the
// same run of the same computer, so they need no parsing, which keeps a
// reload of an unchanged share quick), and parses the others. The check is
// only a shortcut: the store itself refuses a content it already has.
void ReadAhead(const std::vector<std::string>& files, const std::set<std::string>& named,
               Database& lookup, const LoadOptions& options, FileQueue& queue) {
  try {
    std::vector<PendingFile> batch;
    std::size_t next = 0;
    while (next < files.size()) {
      batch.clear();
      std::size_t batch_bytes = 0;
      while (next < files.size() && batch.size() < kBatchFiles && batch_bytes < kBatchBytes) {
        PendingFile& p = batch.emplace_back();
        if (ReadPendingFile(files[next++], named, options, p)) batch_bytes += p.bytes.size();
      }
      const std::set<std::string> stored = StoredContents(lookup, batch);
      for (PendingFile& p : batch) {
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

// Counts a file the look-ahead found nothing to store in; true when the file
// has a run to store.
bool HasRunToStore(const PreparedFile& p, LoadSummary& summary, LoadObserver& observer) {
  switch (p.state) {
    case PreparedFile::State::kUnreadable:
      ++summary.rejected;
      observer.Rejected(p.source.path, 0, p.unreadable);
      return false;
    case PreparedFile::State::kNotRegular:
      // Listed as a file, but something else by the time it was opened.
      ++summary.not_regular;
      observer.Skipped(p.source.path, kNotARegularFile);
      return false;
    case PreparedFile::State::kStored:
      ++summary.unchanged;
      return false;
    case PreparedFile::State::kNew:
      break;
  }
  if (!p.parsed.file) {
    ++summary.rejected;
    observer.Rejected(p.source.path, p.parsed.rejection.line, p.parsed.rejection.reason);
    return false;
  }
  return true;
}

// Tells the observer about the files in their order, although a queued
// run's outcome may come after later files were passed over: what is told
// of a file waits behind the outcomes of the runs queued before it.
class InFileOrder final : public LoadObserver {
 public:
  using Note = std::function<void(LoadObserver&)>;

  explicit InFileOrder(LoadObserver& observer) : observer_(observer) {}

  // The place of what a queued run's outcome will tell.
  std::size_t Hold() {
    notes_.emplace_back();
    return first_ + notes_.size() - 1;
  }
  // What the run at `place` tells (an empty note: nothing), then what
  // waited for it.
  void Fill(std::size_t place, Note note) {
    notes_[place - first_] = std::move(note);
    TellWhatIsDue();
  }
  // After a failure: outcomes that will not come are passed over.
  void DropHolds() {
    for (std::optional<Note>& note : notes_) {
      if (!note) note.emplace();
    }
    TellWhatIsDue();
  }

  void Skipped(const std::string& path, const std::string& why) override {
    Tell([=](LoadObserver& o) { o.Skipped(path, why); });
  }
  void Rejected(const std::string& path, int line, const std::string& why) override {
    Tell([=](LoadObserver& o) { o.Rejected(path, line, why); });
  }
  void ClockAhead(const std::string& path, const std::string& computer,
                  const std::string& run_at) override {
    Tell([=](LoadObserver& o) { o.ClockAhead(path, computer, run_at); });
  }
  // At once: the progress line tells no file's outcome.
  void Progress(int done, int total, std::int64_t rows, const std::string& path) override {
    observer_.Progress(done, total, rows, path);
  }

 private:
  void Tell(Note note) {
    notes_.emplace_back(std::move(note));
    TellWhatIsDue();
  }
  void TellWhatIsDue() {
    while (!notes_.empty() && notes_.front()) {
      const Note note = std::move(*notes_.front());
      notes_.pop_front();
      ++first_;
      if (note) note(observer_);
    }
  }

  LoadObserver& observer_;
  std::deque<std::optional<Note>> notes_;  // nothing yet: a run's outcome to come
  std::size_t first_ = 0;                  // the place of notes_.front()
};

// Counts what became of a queued run once the database has stored, refused
// or rolled it back, and tells it in its place.
struct RunOutcomeCounter {
  LoadSummary& summary;
  InFileOrder& told;
  std::size_t place;
  std::string& rolled_back;
  std::string path, computer, run_at;
  std::int64_t rows;
  bool clock_ahead;

  void operator()(const Database::StoreOutcome& outcome) const {
    InFileOrder::Note note;
    if (outcome.rolled_back) {
      rolled_back = path;
    } else if (!outcome.refused.empty()) {
      // The database refused this file's rows: only this file is left out.
      ++summary.rejected;
      note = [path = path, why = outcome.refused](LoadObserver& o) { o.Rejected(path, 0, why); };
    } else if (outcome.run_id) {
      ++summary.loaded;
      summary.rows += rows;
      if (clock_ahead) {
        ++summary.clock_ahead;
        note = [*this](LoadObserver& o) { o.ClockAhead(path, computer, run_at); };
      }
    } else {
      ++summary.unchanged;
    }
    told.Fill(place, std::move(note));
  }
};

// How long the writer waits for the next file before it has the runs queued
// so far committed, so that a slow share too shows its progress to readers.
constexpr std::chrono::milliseconds kIdleCommit{250};

// Hands the prepared files' runs to the database in file order. A stop
// request throws LoadInterrupted; any other failure is thrown once the runs
// queued before it are answered.
void StoreFiles(Database& db, FileQueue& queue, int total, const LoadOptions& options,
                LoadObserver& observer, LoadSummary& summary) {
  InFileOrder told(observer);
  std::string rolled_back;
  int done = 0;
  const std::function<void()> commit_queued = [&db] { db.FinishQueuedRuns(); };
  try {
    while (std::optional<PreparedFile> p = queue.Pop(kIdleCommit, commit_queued)) {
      if (options.stop_requested && options.stop_requested()) {
        // The runs already queued are whole: let them finish so the summary
        // counts what is stored (a run not stored whole yet is rolled back).
        db.FinishQueuedRuns();
        throw LoadInterrupted{p->source.path, summary, false};
      }
      told.Progress(done++, total, summary.rows, p->source.path);
      if (!HasRunToStore(*p, summary, told)) continue;
      const ResultFile& file = *p->parsed.file;
      const RunRecord run = RunRecordOf(file, p->source);
      db.QueueRunWithFacts(
          run, file.facts,
          RunOutcomeCounter{summary, told, told.Hold(), rolled_back, p->source.path, file.computer,
                            file.run_at, static_cast<std::int64_t>(file.facts.size()),
                            run.clock_ahead});
    }
    db.FinishQueuedRuns();
  } catch (const RunRolledBack&) {
    told.DropHolds();
    throw LoadInterrupted{rolled_back, summary, true};
  } catch (...) {
    // The outcomes of the runs queued so far come while their counters live.
    try {
      db.FinishQueuedRuns();
    } catch (...) {
    }
    told.DropHolds();
    throw;
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
  const SchemaChange schema = EnsureSchema(db);
  const int total = static_cast<int>(files.size());
  // Reading, hashing and parsing run on a second thread, ahead of the
  // database writes on this one; the queue between them is short, so memory
  // does not grow with the number of files. The look-ahead has its own
  // connection for its stored-content checks.
  std::unique_ptr<Database> lookup = db.OpenAnother();
  FileQueue queue(kFilesAhead, kBytesAhead);
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

  // Ctrl+C rolls back the run in hand; its done callback names it.
  db.SetStopCheck(options.stop_requested);
  struct ClearStopCheck {
    Database& db;
    ~ClearStopCheck() { db.SetStopCheck(nullptr); }
  } clear_stop_check{db};
  StoreFiles(db, queue, total, options, observer, summary);
  if (summary.loaded > 0 || schema.runs > 0) {
    try {
      db.RefreshStatistics();
    } catch (const DatabaseError&) {
      // Only the planner's figures: the runs are stored, and autovacuum
      // brings the figures up to date later.
    }
  }
  observer.Progress(total, total, summary.rows, {});
  return summary;
}

}  // namespace norvale::fleet
