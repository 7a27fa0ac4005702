#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <map>
#include <mutex>

#include "fleet/store/database.h"
#include "fleet/store/inventory.h"
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
    const auto& tables = InventoryTables();
    for (std::size_t kind = 0; kind < tables.size(); ++kind) {
      const auto& rows = inventory.rows[kind];
      const std::size_t columns = tables[kind].columns.size() + 1;
      for (std::size_t next = 0; next < rows.size();) {
        const std::size_t count = rows.size() - next >= kRowsPerInsert ? kRowsPerInsert : 1;
        sqlite3_stmt*& cached = inventory_inserts_[kind][count == 1 ? 0 : 1];
        if (!cached) cached = Prepare(InventoryInsert(kind, count));
        sqlite3_stmt* stmt = cached;
        sqlite3_reset(stmt);
        for (std::size_t r = 0; r < count; ++r) {
          const Row& row = rows[next + r];
          const int base = static_cast<int>(r * columns);
          sqlite3_bind_int64(stmt, base + 1, run_id);
          for (std::size_t c = 0; c < row.size(); ++c) {
            const int index = base + 2 + static_cast<int>(c);
            if (row[c]) {
              sqlite3_bind_text(stmt, index, row[c]->data(), static_cast<int>(row[c]->size()),
                                SQLITE_STATIC);
            } else {
              sqlite3_bind_null(stmt, index);
            }
          }
        }
        const int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        if (rc != SQLITE_DONE) Fail(rc);
        next += count;
      }
    }
    sqlite3_stmt* stmt =
        Prepare("INSERT INTO run_search_texts (run_id, search_text) VALUES (?, ?)");
    sqlite3_reset(stmt);
    sqlite3_bind_int64(stmt, 1, run_id);
    BindText(stmt, 2, inventory.search_text, SQLITE_STATIC);
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) Fail(rc);
    InsertFactGroups(run_id, inventory.fact_groups);
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

  // The insert of `rows` rows into a typed table, its text made once.
  static const std::string& InventoryInsert(std::size_t kind, std::size_t rows) {
    static const std::vector<std::array<std::string, 2>> statements = [] {
      std::vector<std::array<std::string, 2>> out;
      for (const InventoryTable& table : InventoryTables()) {
        std::string sql = std::string("INSERT INTO ") + table.name + " (run_id";
        std::string values = "(?";
        for (const InventoryColumn& column : table.columns) {
          sql += std::string(", ") + column.name;
          values += ", ?";
        }
        values += ")";
        sql += ") VALUES ";
        std::string many = sql;
        for (std::size_t i = 0; i < kRowsPerInsert; ++i) many += (i ? ", " : "") + values;
        out.push_back({sql + values, many});
      }
      return out;
    }();
    return statements[kind][rows == 1 ? 0 : 1];
  }

  // A run's fact groups, a few statements for all of them.
  void InsertFactGroups(std::int64_t run_id, const std::vector<FactGroup>& groups) {
    for (std::size_t next = 0; next < groups.size();) {
      const std::size_t rows = std::min(groups.size() - next, kRowsPerInsert);
      std::string sql = std::string("INSERT INTO ") + kFactGroupsTable +
                        " (run_id, first_line, last_line, category, changing_figures, digest)"
                        " VALUES ";
      for (std::size_t r = 0; r < rows; ++r)
        sql += r ? ", (?, ?, ?, ?, ?, ?)" : "(?, ?, ?, ?, ?, ?)";
      sqlite3_stmt* stmt = Prepare(sql);
      sqlite3_reset(stmt);
      for (std::size_t r = 0; r < rows; ++r) {
        const FactGroup& group = groups[next + r];
        const int base = static_cast<int>(r) * 6;
        Check(stmt, sqlite3_bind_int64(stmt, base + 1, run_id));
        Check(stmt, sqlite3_bind_int(stmt, base + 2, group.first_line));
        Check(stmt, sqlite3_bind_int(stmt, base + 3, group.last_line));
        BindText(stmt, base + 4, group.category, SQLITE_STATIC);
        Check(stmt, sqlite3_bind_int(stmt, base + 5, group.changing ? 1 : 0));
        BindText(stmt, base + 6, group.digest, SQLITE_STATIC);
      }
      const int rc = sqlite3_step(stmt);
      sqlite3_reset(stmt);
      sqlite3_clear_bindings(stmt);
      if (rc != SQLITE_DONE) Fail(rc);
      next += rows;
    }
  }

  // Several facts per statement: SQLite's cost is mostly per statement run.
  static constexpr std::size_t kFactsPerInsert = 32;

  static std::string FactsInsert(std::size_t rows) {
    std::string sql =
        "INSERT INTO facts (run_id, line, category, item, subitem, contents, unit) VALUES ";
    for (std::size_t i = 0; i < rows; ++i)
      sql += i ? ", (?, ?, ?, ?, ?, ?, ?)" : "(?, ?, ?, ?, ?, ?, ?)";
    return sql;
  }

  void InsertFacts(std::int64_t run_id, const std::vector<Fact>& facts) {
    static const std::string many_sql = FactsInsert(kFactsPerInsert);
    static const std::string one_sql = FactsInsert(1);
    sqlite3_stmt* many = Prepare(many_sql);
    sqlite3_stmt* one = Prepare(one_sql);
    std::size_t next = 0;
    while (next < facts.size()) {
      const std::size_t rows = facts.size() - next >= kFactsPerInsert ? kFactsPerInsert : 1;
      sqlite3_stmt* stmt = rows == 1 ? one : many;
      sqlite3_reset(stmt);
      for (std::size_t r = 0; r < rows; ++r) {
        const Fact& f = facts[next + r];
        const int base = static_cast<int>(r) * 7;
        Check(stmt, sqlite3_bind_int64(stmt, base + 1, run_id));
        Check(stmt, sqlite3_bind_int(stmt, base + 2, f.line));
        const std::string* texts[] = {&f.category, &f.item, &f.subitem, &f.contents, &f.unit};
        for (int i = 0; i < 5; ++i) BindText(stmt, base + 3 + i, *texts[i], SQLITE_STATIC);
      }
      const int rc = sqlite3_step(stmt);
      if (rc != SQLITE_DONE) {
        sqlite3_reset(stmt);
        Fail(rc);
      }
      next += rows;
      StopIfRequested();
    }
    for (sqlite3_stmt* stmt : {many, one}) {
      sqlite3_reset(stmt);
      sqlite3_clear_bindings(stmt);
    }
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
    inventory_inserts_ = {};
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
  // The typed tables' inserts (one row, many rows), owned by statements_.
  std::array<std::array<sqlite3_stmt*, 2>, kInvKindCount> inventory_inserts_{};
  std::optional<Group> group_;  // the transaction of the queued runs, while open
  std::size_t next_group_runs_ = 1;
};

}  // namespace

std::unique_ptr<Database> OpenSqlite(const std::string& path, const OpenOptions& options) {
  return std::make_unique<SqliteDatabase>(path, options);
}

}  // namespace norvale::fleet
