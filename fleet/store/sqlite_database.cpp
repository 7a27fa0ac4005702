#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <map>
#include <mutex>

#include "fleet/store/database.h"
#include "fleet/store/inventory.h"
#include "fleet/store/multi_row_insert.h"
#include "fleet/store/run_columns.h"
#include "fleet/store/schema.h"
#include "fleet/system/sqlite_files.h"

namespace norvale::fleet {
namespace {

// A queued run's savepoint keeps a copy of each page it changes that the
// runs before it in the group had changed already. Past 64 KiB SQLite moves
// that copy to a temporary file, made and deleted for each run: many writes,
// and under Wine many requests. It stays in memory instead (a run's copy is
// a few hundred KiB; released with the run). Not a bigger limit: the limit is
// also the size of the block SQLite takes for it, which Windows' heap maps
// and unmaps for every run above about 500 KiB, and the move to a file
// after a savepoint's release failed a load here as a full disk.
constexpr int kSavepointCopyInMemory = -1;

// Before any other call into SQLite: the setting is fixed at its start.
void ConfigureSqlite() {
  static std::once_flag once;
  std::call_once(once, [] {
    FitSqliteMemory();
    sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, kSavepointCopyInMemory);
  });
}

class SqliteDatabase final : public Database {
 public:
  SqliteDatabase(const std::string& path, const OpenOptions& options)
      : path_(path), options_(options), busy_timeout_ms_(options.busy_timeout_ms) {
    ConfigureSqlite();
    FitSqliteFileAccess();
    const int rc =
        sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
      const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      sqlite3_close(db_);
      db_ = nullptr;
      throw DatabaseError(DatabaseError::Kind::kUnreachable,
                          "cannot open the database file " + path + ": " + message);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busy_timeout_ms_);
    try {
      // WAL lets queries read while a load writes; NORMAL syncs at checkpoints,
      // which keeps every committed run intact after a crash of the program.
      Execute("PRAGMA journal_mode=WAL");
      Execute("PRAGMA synchronous=NORMAL");
      Execute("PRAGMA foreign_keys=ON");
      // Fewer, larger checkpoints while a share loads; the cache stays bounded.
      Execute("PRAGMA wal_autocheckpoint=8192");
      Execute("PRAGMA cache_size=-16384");
    } catch (...) {
      Close();  // not a database, or not writable: nothing stays open
      throw;
    }
  }

  ~SqliteDatabase() override { Close(); }

  std::unique_ptr<Database> OpenAnother() const override {
    return std::make_unique<SqliteDatabase>(path_, options_);
  }

  // Through Run, so a group of queued runs is committed first.
  void BeginWrite() override { Execute(kBeginWrite); }
  void Commit() override { Execute(kCommit); }
  void Rollback() noexcept override {
    group_.reset();  // its runs are undone: their outcomes are never told
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void LockSchema() override {}

  std::string_view GeneratedKeyType() const override { return "INTEGER PRIMARY KEY"; }
  // One tree in key order instead of a table and an index beside it.
  std::string_view KeyOrderedTable() const override { return " WITHOUT ROWID"; }
  // SQLite's LIKE ignores the case of ASCII letters already.
  std::string_view AnyCaseLike() const override { return "LIKE"; }
  // LIKE ignores the case of ASCII letters here, and is quick.
  SearchCondition SearchTextHolds(std::string_view column, const std::string& like,
                                  const std::optional<std::string>&) const override {
    return {std::string(column) + " LIKE ? ESCAPE '\\'", like};
  }
  std::string LaterOf(std::string_view first, std::string_view second) const override {
    const std::string a(first);
    return "MAX(" + a + ", COALESCE(" + std::string(second) + ", " + a + "))";
  }
  std::string OneDayLater(std::string_view timestamp) const override {
    return "datetime(" + std::string(timestamp) + ", '+1 day')";
  }
  bool HasTable(const std::string& table) override {
    return !Query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", {table}).empty();
  }
  bool HasColumn(const std::string& table, const std::string& column) override {
    return !Query("SELECT 1 FROM pragma_table_info(?) WHERE name = ?", {table, column}).empty();
  }

  std::optional<std::int64_t> StoreRunWithFacts(const RunRecord& run,
                                                const std::vector<Fact>& facts) override {
    const Inventory inventory = DeriveInventory(facts);
    BeginWrite();
    try {
      const std::optional<std::int64_t> run_id = InsertRun(run, facts, inventory);
      run_id ? Commit() : Rollback();
      return run_id;
    } catch (...) {
      Rollback();
      throw;
    }
  }

  // Queued runs share a transaction, each in a savepoint of its own: a run
  // the database refuses, or the one in hand at a stop, is undone alone.
  // Under Wine every commit costs a dozen requests to its server for
  // SQLite's locks, more than storing a small run. Outcomes are told only
  // once their group is committed.
  void QueueRunWithFacts(const RunRecord& run, const std::vector<Fact>& facts,
                         const StoreDone& done) override {
    const Inventory inventory = DeriveInventory(facts);
    if (!group_) BeginGroup();
    ExecuteStatement(kRunSavepoint);
    StoreOutcome outcome;
    try {
      outcome.run_id = InsertRun(run, facts, inventory);
      ExecuteStatement(kReleaseRun);
    } catch (const RunRolledBack&) {
      KeepRunsBeforeTheOneInHand();
      done({std::nullopt, {}, true});
      throw;
    } catch (const DatabaseError& e) {
      if (e.kind() != DatabaseError::Kind::kRefused) {
        KeepRunsBeforeTheOneInHand();
        throw;
      }
      if (!UndoRunInHand()) {
        Rollback();
        throw DatabaseError(DatabaseError::Kind::kOther, kGroupLost + std::string(": ") + e.what());
      }
      outcome.refused = e.what();
    } catch (...) {
      KeepRunsBeforeTheOneInHand();
      throw;
    }
    group_->outcomes.push_back({std::move(outcome), done});
    if (group_->outcomes.size() >= group_->most_runs ||
        GroupClock::now() - group_->begun >= kGroupAge) {
      CommitGroup();
    }
  }

  void FinishQueuedRuns() override {
    if (group_) CommitGroup();
    next_group_runs_ = 1;
  }

  void StoreInventory(std::int64_t run_id, const Inventory& inventory) override {
    for (std::size_t kind = 0; kind < kInvKindCount; ++kind) {
      const auto& rows = inventory.rows[kind];
      InsertRows(kind, rows.size(), [&](sqlite3_stmt* stmt, std::size_t r, int first) {
        Check(stmt, sqlite3_bind_int64(stmt, first, run_id));
        const Row& row = rows[r];
        for (std::size_t c = 0; c < row.size(); ++c) {
          const int index = first + 1 + static_cast<int>(c);
          if (row[c]) {
            BindText(stmt, index, *row[c], SQLITE_STATIC);
          } else {
            Check(stmt, sqlite3_bind_null(stmt, index));
          }
        }
      });
    }
    InsertRows(kSearchTextInsert, 1, [&](sqlite3_stmt* stmt, std::size_t, int first) {
      Check(stmt, sqlite3_bind_int64(stmt, first, run_id));
      BindText(stmt, first + 1, inventory.search_text, SQLITE_STATIC);
    });
    const auto& groups = inventory.fact_groups;
    InsertRows(kFactGroupsInsert, groups.size(), [&](sqlite3_stmt* stmt, std::size_t r, int first) {
      const FactGroup& group = groups[r];
      Check(stmt, sqlite3_bind_int64(stmt, first, run_id));
      Check(stmt, sqlite3_bind_int(stmt, first + 1, group.first_line));
      Check(stmt, sqlite3_bind_int(stmt, first + 2, group.last_line));
      BindText(stmt, first + 3, group.category, SQLITE_STATIC);
      Check(stmt, sqlite3_bind_int(stmt, first + 4, group.changing ? 1 : 0));
      BindText(stmt, first + 5, group.digest, SQLITE_STATIC);
    });
  }

 private:
  static constexpr std::size_t kRowsPerInsert = 16;

  static constexpr char kBeginWrite[] = "BEGIN IMMEDIATE";
  static constexpr char kCommit[] = "COMMIT";
  static constexpr char kRunSavepoint[] = "SAVEPOINT queued_run";
  static constexpr char kReleaseRun[] = "RELEASE queued_run";
  static constexpr char kUndoRun[] = "ROLLBACK TO queued_run";
  static constexpr char kGroupLost[] = "the transaction of the queued runs was rolled back";

  // A group is committed after this many runs, or once it is this old when
  // a run is done, so readers see a load's progress about twice a second
  // and a crash loses at most that much (a rerun stores it again). The
  // first group of a queue holds one run and each next one twice as many:
  // the first files show at once, and a load stopped soon after its start
  // has little to redo.
  static constexpr std::size_t kMostGroupRuns = 128;
  static constexpr std::chrono::milliseconds kGroupAge{500};

  using GroupClock = std::chrono::steady_clock;
  struct QueuedOutcome {
    StoreOutcome outcome;
    StoreDone done;
  };
  struct Group {
    GroupClock::time_point begun;
    std::size_t most_runs;
    std::vector<QueuedOutcome> outcomes;  // of the runs stored in it, in order
  };

  // The tables a run's rows go to besides runs: the typed tables (by their
  // InventoryKind), then these.
  static constexpr std::size_t kFactsInsert = kInvKindCount;
  static constexpr std::size_t kSearchTextInsert = kInvKindCount + 1;
  static constexpr std::size_t kFactGroupsInsert = kInvKindCount + 2;
  static constexpr std::size_t kInsertTargets = kInvKindCount + 3;

  // A target table, its columns and how many rows one statement takes.
  struct InsertShape {
    std::string table;
    std::vector<std::string_view> columns;
    std::size_t most_rows;
  };
  static const std::vector<InsertShape>& InsertShapes() {
    static const std::vector<InsertShape> shapes = [] {
      std::vector<InsertShape> out;
      for (const InventoryTable& table : InventoryTables()) {
        InsertShape shape{table.name, {"run_id"}, kRowsPerInsert};
        for (const InventoryColumn& column : table.columns) shape.columns.push_back(column.name);
        out.push_back(std::move(shape));
      }
      out.push_back(
          {"facts", {"run_id", "line", "category", "item", "subitem", "contents", "unit"}, 32});
      out.push_back({"run_search_texts", {"run_id", "search_text"}, 1});
      out.push_back(
          {kFactGroupsTable,
           {"run_id", "first_line", "last_line", "category", "changing_figures", "digest"},
           kRowsPerInsert});
      return out;
    }();
    return shapes;
  }

  // The insert of `rows` rows into a target, prepared once per connection.
  sqlite3_stmt* InsertStatement(std::size_t target, std::size_t rows) {
    auto& by_rows = inserts_[target];
    if (by_rows.empty()) by_rows.resize(InsertShapes()[target].most_rows + 1);
    sqlite3_stmt*& stmt = by_rows[rows];
    if (!stmt) {
      const InsertShape& shape = InsertShapes()[target];
      stmt = Prepare(MultiRowInsert(shape.table, shape.columns, rows));
    }
    return stmt;
  }

  // `count` rows into a target, as many to a statement as it takes (the
  // last statement takes exactly those left). bind(stmt, row, first) binds
  // one row's values from parameter `first` on. A stop request is heeded
  // between statements when `may_stop`.
  template <typename BindRow>
  void InsertRows(std::size_t target, std::size_t count, const BindRow& bind,
                  bool may_stop = false) {
    const InsertShape& shape = InsertShapes()[target];
    const int columns = static_cast<int>(shape.columns.size());
    for (std::size_t next = 0; next < count;) {
      const std::size_t rows = std::min(count - next, shape.most_rows);
      sqlite3_stmt* stmt = InsertStatement(target, rows);
      for (std::size_t r = 0; r < rows; ++r)
        bind(stmt, next + r, static_cast<int>(r) * columns + 1);
      const int rc = sqlite3_step(stmt);
      sqlite3_reset(stmt);
      // The values bound are the caller's: none is left behind in the statement.
      sqlite3_clear_bindings(stmt);
      if (rc != SQLITE_DONE) Fail(rc);
      next += rows;
      if (may_stop) StopIfRequested();
    }
  }

  void InsertFacts(std::int64_t run_id, const std::vector<Fact>& facts) {
    InsertRows(
        kFactsInsert, facts.size(),
        [&](sqlite3_stmt* stmt, std::size_t r, int first) {
          const Fact& f = facts[r];
          Check(stmt, sqlite3_bind_int64(stmt, first, run_id));
          Check(stmt, sqlite3_bind_int(stmt, first + 1, f.line));
          const std::string* texts[] = {&f.category, &f.item, &f.subitem, &f.contents, &f.unit};
          for (int i = 0; i < 5; ++i) BindText(stmt, first + 2 + i, *texts[i], SQLITE_STATIC);
        },
        true);
  }

  // The run's rows inside the open transaction; nothing when its content is
  // stored already.
  std::optional<std::int64_t> InsertRun(const RunRecord& run, const std::vector<Fact>& facts,
                                        const Inventory& inventory) {
    std::optional<std::int64_t> run_id;
    const RowHandler take_id = [&run_id](const Row& row) { run_id = std::stoll(*row[0]); };
    RunStatement(InsertRunStatement(), RunParams(run), &take_id);
    if (!run_id) return std::nullopt;
    InsertFacts(*run_id, facts);
    StoreInventory(*run_id, inventory);
    StopIfRequested();
    return run_id;
  }

  void BeginGroup() {
    ExecuteStatement(kBeginWrite);
    group_.emplace(Group{GroupClock::now(), next_group_runs_, {}});
  }

  // Commits the group, then tells its outcomes; a failed commit undoes the
  // whole group and tells none of them.
  void CommitGroup() {
    const std::vector<QueuedOutcome> outcomes = std::move(group_->outcomes);
    group_.reset();
    try {
      ExecuteStatement(kCommit);
    } catch (...) {
      Rollback();
      throw;
    }
    next_group_runs_ = std::min(next_group_runs_ * 2, kMostGroupRuns);
    for (const QueuedOutcome& queued : outcomes) queued.done(queued.outcome);
  }

  // Back to the savepoint before the run in hand; false when the whole
  // transaction is gone (SQLite rolls back on some failures by itself).
  bool UndoRunInHand() noexcept {
    if (sqlite3_get_autocommit(db_)) return false;
    try {
      ExecuteStatement(kUndoRun);
      ExecuteStatement(kReleaseRun);
      return true;
    } catch (...) {
      return false;
    }
  }

  // After a failure or a stop: the run in hand is undone and the group's
  // runs before it committed and told, so they stay stored as they would
  // have one transaction each. When that fails too they are undone, untold.
  void KeepRunsBeforeTheOneInHand() noexcept {
    if (!group_) return;
    try {
      if (!UndoRunInHand()) throw DatabaseError(DatabaseError::Kind::kOther, kGroupLost);
      CommitGroup();
    } catch (...) {
      Rollback();
    }
  }

  // Inside a run's transaction: the caller rolls it back.
  void StopIfRequested() {
    if (StopRequested()) throw RunRolledBack();
  }

  // A value SQLite cannot take (too big, no memory) fails the statement
  // instead of running it with the parameter left null.
  void BindText(sqlite3_stmt* stmt, int index, const std::string& text,
                sqlite3_destructor_type lifetime) {
    Check(stmt, text.size() > static_cast<std::size_t>(INT_MAX)
                    ? SQLITE_TOOBIG
                    : sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()),
                                        lifetime));
  }
  void Check(sqlite3_stmt* stmt, int rc) {
    if (rc == SQLITE_OK) return;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    Fail(rc, sqlite3_errstr(rc));
  }

  // Queued runs not committed yet are undone with the connection.
  void Close() {
    group_.reset();
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    statements_.clear();
    inserts_ = {};
    sqlite3_close(db_);
    db_ = nullptr;
  }

  sqlite3_stmt* Prepare(std::string_view sql) {
    const std::string key(sql);
    auto found = statements_.find(key);
    if (found != statements_.end()) return found->second;
    sqlite3_stmt* stmt = nullptr;
    const int rc =
        sqlite3_prepare_v2(db_, key.c_str(), static_cast<int>(key.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
    statements_.emplace(key, stmt);
    return stmt;
  }

  // A statement from outside the store's own work: it may need the queued
  // runs committed (a transaction of its own, or their rows).
  void Run(std::string_view sql, const std::vector<Param>& params,
           const RowHandler* handle) override {
    FinishQueuedRuns();
    RunStatement(sql, params, handle);
  }

  void ExecuteStatement(std::string_view sql) { RunStatement(sql, {}, nullptr); }

  void RunStatement(std::string_view sql, const std::vector<Param>& params,
                    const RowHandler* handle) {
    sqlite3_stmt* stmt = Prepare(sql);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    // Reset on every way out, a handler's exception too: a statement left
    // stepping would keep its read snapshot open.
    struct ResetOnExit {
      sqlite3_stmt* stmt;
      ~ResetOnExit() { sqlite3_reset(stmt); }
    } reset_on_exit{stmt};
    for (std::size_t i = 0; i < params.size(); ++i) {
      const int index = static_cast<int>(i) + 1;
      if (params[i]) {
        BindText(stmt, index, *params[i], SQLITE_TRANSIENT);
      } else {
        Check(stmt, sqlite3_bind_null(stmt, index));
      }
    }
    Row row;
    for (;;) {
      const int rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) {
        sqlite3_reset(stmt);
        Fail(rc);
      }
      if (!handle) continue;
      const int columns = sqlite3_column_count(stmt);
      row.resize(static_cast<std::size_t>(columns));
      for (int c = 0; c < columns; ++c) {
        auto& cell = row[static_cast<std::size_t>(c)];
        if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
          cell.reset();
        } else {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
          const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, c));
          // The last row's string is reused: no allocation per cell.
          cell ? cell->assign(text, size) : cell.emplace(text, size);
        }
      }
      (*handle)(row);
    }
  }

  [[noreturn]] void Fail(int rc, const char* what = nullptr) {
    const std::string message = what ? what : sqlite3_errmsg(db_);
    switch (rc & 0xFF) {
      case SQLITE_CONSTRAINT:
      case SQLITE_TOOBIG:
      case SQLITE_MISMATCH:
        // The values of this statement: a run that stores them is refused alone.
        throw DatabaseError(DatabaseError::Kind::kRefused, "refused by the database: " + message);
      case SQLITE_BUSY:
      case SQLITE_LOCKED:
        throw DatabaseError(DatabaseError::Kind::kLocked,
                            "the database is locked by another program (waited " +
                                std::to_string(busy_timeout_ms_ / 1000) + " s): " + message);
      case SQLITE_FULL:
        throw DatabaseError(DatabaseError::Kind::kFull, "the disk is full: " + message);
      case SQLITE_CANTOPEN:
      case SQLITE_IOERR:
      case SQLITE_READONLY:
      case SQLITE_NOTADB:
      case SQLITE_CORRUPT:
        throw DatabaseError(DatabaseError::Kind::kUnreachable,
                            "cannot use the database: " + message);
      default:
        throw DatabaseError(DatabaseError::Kind::kOther, "database error: " + message);
    }
  }

  std::string path_;
  OpenOptions options_;
  sqlite3* db_ = nullptr;
  int busy_timeout_ms_;
  std::map<std::string, sqlite3_stmt*> statements_;
  // Each target's inserts by their number of rows, owned by statements_.
  std::array<std::vector<sqlite3_stmt*>, kInsertTargets> inserts_{};
  std::optional<Group> group_;  // the transaction of the queued runs, while open
  std::size_t next_group_runs_ = 1;
};

}  // namespace

std::unique_ptr<Database> OpenSqlite(const std::string& path, const OpenOptions& options) {
  return std::make_unique<SqliteDatabase>(path, options);
}

}  // namespace norvale::fleet
