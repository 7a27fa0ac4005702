#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <climits>
#include <map>

#include "fleet/store/database.h"
#include "fleet/store/inventory.h"
#include "fleet/store/run_columns.h"
#include "fleet/store/schema.h"
#include "fleet/system/sqlite_files.h"

namespace norvale::fleet {
namespace {

class SqliteDatabase final : public Database {
 public:
  SqliteDatabase(const std::string& path, const OpenOptions& options)
      : path_(path), options_(options), busy_timeout_ms_(options.busy_timeout_ms) {
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

  void BeginWrite() override { Execute("BEGIN IMMEDIATE"); }
  void Commit() override { Execute("COMMIT"); }
  void Rollback() noexcept override {
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
      const auto ids = Query(InsertRunStatement(), RunParams(run));
      if (ids.empty()) {
        Rollback();
        return std::nullopt;
      }
      const std::int64_t run_id = std::stoll(*ids[0][0]);
      InsertFacts(run_id, facts);
      StoreInventory(run_id, inventory);
      StopIfRequested();
      Commit();
      return run_id;
    } catch (...) {
      Rollback();
      throw;
    }
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

  void Close() {
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

  void Run(std::string_view sql, const std::vector<Param>& params,
           const RowHandler* handle) override {
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
};

}  // namespace

std::unique_ptr<Database> OpenSqlite(const std::string& path, const OpenOptions& options) {
  return std::make_unique<SqliteDatabase>(path, options);
}

}  // namespace norvale::fleet
