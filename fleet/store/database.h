// The small database interface the fleet tool needs, with an SQLite and a
// PostgreSQL implementation. All values travel as text or null and every
// value is a bound parameter; statements use "?" placeholders.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/store/records.h"

namespace norvale::fleet {

struct Inventory;

using Param = std::optional<std::string>;
using Row = std::vector<std::optional<std::string>>;

class DatabaseError : public std::runtime_error {
 public:
  // kRefused: the database refused the values of one run (a constraint, an
  // encoding, a value too big); the other runs are not concerned.
  enum class Kind { kOther, kLocked, kUnreachable, kFull, kRetry, kRefused };
  DatabaseError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

// Thrown once a stop request has rolled back the run in hand; the runs
// queued before it are answered first (their outcomes delivered).
class RunRolledBack : public std::runtime_error {
 public:
  RunRolledBack() : std::runtime_error("the run in hand was rolled back on request") {}
};

class Database {
 public:
  virtual ~Database() = default;
  // A second connection to the same database, with the same options.
  virtual std::unique_ptr<Database> OpenAnother() const = 0;

  using RowHandler = std::function<void(const Row&)>;

  void Execute(std::string_view sql, const std::vector<Param>& params = {}) {
    Run(sql, params, nullptr);
  }
  std::vector<Row> Query(std::string_view sql, const std::vector<Param>& params = {}) {
    std::vector<Row> rows;
    const RowHandler keep = [&rows](const Row& row) { rows.push_back(row); };
    Run(sql, params, &keep);
    return rows;
  }
  // Hands the rows over one at a time without keeping them all, for queries
  // over many facts. The handler must not use this database.
  void ForEachRow(std::string_view sql, const std::vector<Param>& params,
                  const RowHandler& handle) {
    Run(sql, params, &handle);
  }

  // A write transaction. SQLite takes the write lock at once (waiting up to
  // the busy timeout), so two loads never interleave their checks and inserts.
  virtual void BeginWrite() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
  // Serialises schema creation between concurrent loads (inside a transaction).
  virtual void LockSchema() = 0;

  // Where the engines' SQL differs. The column type of a key the database
  // numbers itself.
  virtual std::string_view GeneratedKeyType() const = 0;
  // Ends the CREATE TABLE of a table always written and read by its key.
  virtual std::string_view KeyOrderedTable() const = 0;
  // The operator that matches a LIKE pattern in any case (ASCII letters;
  // other scripts have no case to ignore). Cheaper than LOWER() on both
  // sides of every row.
  virtual std::string_view AnyCaseLike() const = 0;
  // The condition that the search text in `column` holds what a user looks
  // for, in any case, and its one parameter: `literal`, the text itself,
  // when it has no wildcards, else `like`, a LIKE pattern with '\' as its
  // escape. PostgreSQL keeps search texts in lower case, as ILIKE compares,
  // so a query needs no lower() of every run's text.
  struct SearchCondition {
    std::string sql;
    std::string param;
  };
  virtual SearchCondition SearchTextHolds(std::string_view column, const std::string& like,
                                          const std::optional<std::string>& literal) const = 0;
  // The later of two "YYYY-MM-DD HH:MM:SS" texts, the first when the second
  // is null.
  virtual std::string LaterOf(std::string_view first, std::string_view second) const = 0;
  // A "YYYY-MM-DD HH:MM:SS" text one day on, as the same kind of text.
  virtual std::string OneDayLater(std::string_view timestamp) const = 0;
  // Whether this database's schema holds the table, or the table the column.
  virtual bool HasTable(const std::string& table) = 0;
  virtual bool HasColumn(const std::string& table, const std::string& column) = 0;

 protected:
  // Runs one statement with bound parameters; each row goes to `handle`
  // when given.
  virtual void Run(std::string_view sql, const std::vector<Param>& params,
                   const RowHandler* handle) = 0;

 public:
  // Stores one run with all its facts and the typed rows derived from them
  // as one transaction. Returns the new run's id, or nothing when the same
  // content is stored already for that computer.
  virtual std::optional<std::int64_t> StoreRunWithFacts(const RunRecord& run,
                                                        const std::vector<Fact>& facts) = 0;

  // The same, each run stored whole or not at all, but an engine may send
  // further runs before the first is answered, or commit several runs at
  // once, each in a savepoint of its own. `done` gets each run's outcome
  // once it is committed, a run the database refused too; FinishQueuedRuns
  // commits and waits for all of them and throws the first other failure
  // (the runs that were answered stay stored). Any other statement on the
  // connection commits the queued runs first.
  struct StoreOutcome {
    std::optional<std::int64_t> run_id;  // the new run; nothing when stored already or refused
    std::string refused;                 // why the database refused the run, when it did
    bool rolled_back = false;            // stopped before its commit: nothing of it is stored
  };
  using StoreDone = std::function<void(const StoreOutcome&)>;
  virtual void QueueRunWithFacts(const RunRecord& run, const std::vector<Fact>& facts,
                                 const StoreDone& done) {
    StoreOutcome outcome;
    try {
      outcome = StoreOrRefuse(run, facts);
    } catch (const RunRolledBack&) {
      done({std::nullopt, {}, true});
      throw;
    }
    done(outcome);
  }
  virtual void FinishQueuedRuns() {}

  // The facts of one category of a run within its lines: what the change
  // list reads of a fact group that differs.
  struct CategoryLines {
    std::string run_id;
    std::string first_line, last_line;  // as stored
    std::string category;
  };
  // Hands each such fact to `handle` as (run_id, category, item, subitem,
  // contents, unit, line), in no particular order; `ranges` names a run's
  // category once at most. The statements keep one shape whatever the
  // number of ranges, so a server plans them once per connection.
  virtual void ForEachFactWithin(const std::vector<CategoryLines>& ranges,
                                 const RowHandler& handle);

  // After a load that stored runs: brings the planner's figures for the
  // tables the change list reads up to date, so the first questions after a
  // big load are planned for what is there, not for empty tables.
  virtual void RefreshStatistics() {}

  // Asked while a run's rows are stored and before its commit (Ctrl+C):
  // when it answers true the run is rolled back and RunRolledBack thrown.
  // Empty: runs are never stopped.
  void SetStopCheck(std::function<bool()> stop_requested) {
    stop_requested_ = std::move(stop_requested);
  }

  // Stores the typed rows of a run that is stored already, inside the
  // caller's transaction (the upgrade of an older schema).
  virtual void StoreInventory(std::int64_t run_id, const Inventory& inventory) = 0;
  // The same for several runs; an engine may send them as one statement.
  virtual void StoreInventories(const std::vector<std::int64_t>& run_ids,
                                const std::vector<Inventory>& inventories);

 protected:
  bool StopRequested() const { return stop_requested_ && stop_requested_(); }

  StoreOutcome StoreOrRefuse(const RunRecord& run, const std::vector<Fact>& facts) {
    StoreOutcome outcome;
    try {
      outcome.run_id = StoreRunWithFacts(run, facts);
    } catch (const DatabaseError& e) {
      if (e.kind() != DatabaseError::Kind::kRefused) throw;
      outcome.refused = e.what();
    }
    return outcome;
  }

 private:
  std::function<bool()> stop_requested_;
};

struct OpenOptions {
  int busy_timeout_ms = 30000;  // SQLite: how long to wait for another writer
};

// A target starting with postgresql:// or postgres:// is a PostgreSQL
// connection URI; anything else is the path of an SQLite file.
std::unique_ptr<Database> OpenDatabase(const std::string& target, const OpenOptions& options = {});
bool IsPostgresTarget(std::string_view target);

std::unique_ptr<Database> OpenSqlite(const std::string& path, const OpenOptions& options);
std::unique_ptr<Database> OpenPostgres(const std::string& uri, const OpenOptions& options);

}  // namespace norvale::fleet
