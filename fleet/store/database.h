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

class Database {
 public:
  virtual ~Database() = default;
  virtual std::string_view Engine() const = 0;  // "sqlite" or "postgresql"
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

 protected:
  // Runs one statement with bound parameters; each row goes to `handle`
  // when given.
  virtual void Run(std::string_view sql, const std::vector<Param>& params,
                   const RowHandler* handle) = 0;

 public:
  // Stores one run with all its facts and the typed rows derived from them
  // as one transaction: the values of kRunColumns in order, then the facts. Returns the new run's
  // id, or nothing when the same content is stored already for that computer.
  virtual std::optional<std::int64_t> StoreRunWithFacts(const std::vector<Param>& run,
                                                        const std::vector<Fact>& facts) = 0;

  // The same, each run still its own transaction, but an engine may send
  // further runs before the first is answered. `done` gets each run's
  // outcome, a run the database refused too; FinishQueuedRuns waits for all
  // of them and throws the first other failure (the runs that were answered
  // stay stored).
  struct StoreOutcome {
    std::optional<std::int64_t> run_id;  // the new run; nothing when stored already or refused
    std::string refused;                 // why the database refused the run, when it did
  };
  using StoreDone = std::function<void(const StoreOutcome&)>;
  virtual void QueueRunWithFacts(const std::vector<Param>& run, const std::vector<Fact>& facts,
                                 const StoreDone& done) {
    done(StoreOrRefuse(run, facts));
  }
  virtual void FinishQueuedRuns() {}

  // Stores the typed rows of a run that is stored already, inside the
  // caller's transaction (the upgrade of an older schema).
  virtual void StoreInventory(std::int64_t run_id, const Inventory& inventory) = 0;
  // The same for several runs; an engine may send them as one statement.
  virtual void StoreInventories(const std::vector<std::int64_t>& run_ids,
                                const std::vector<Inventory>& inventories);

 protected:
  StoreOutcome StoreOrRefuse(const std::vector<Param>& run, const std::vector<Fact>& facts) {
    StoreOutcome outcome;
    try {
      outcome.run_id = StoreRunWithFacts(run, facts);
    } catch (const DatabaseError& e) {
      if (e.kind() != DatabaseError::Kind::kRefused) throw;
      outcome.refused = e.what();
    }
    return outcome;
  }
};

// seen_at is when the run counts as seen, the time its computer's newest run
// is chosen by: run_at, or where the header time is unknown or lies ahead of
// the clock (clock_ahead 1) the file's time if not after the load, else
// loaded_at.
inline constexpr const char* kRunColumns =
    "computer, run_date, run_time, run_at, norvale_version, source_file, file_sha256, "
    "file_mtime, loaded_at, row_count, error_count, encoding, seen_at, clock_ahead";
inline constexpr int kRunColumnCount = 14;

// "?, ?, ..." or "$first, $first+1, ..." for the values of kRunColumns.
inline std::string RunPlaceholders(bool numbered, int first = 1) {
  std::string out;
  for (int i = 0; i < kRunColumnCount; ++i) {
    if (i > 0) out += ", ";
    out += numbered ? "$" + std::to_string(first + i) : "?";
  }
  return out;
}

struct OpenOptions {
  int busy_timeout_ms = 30000;  // SQLite: how long to wait for another writer
};

// A target starting with postgresql:// or postgres:// is a PostgreSQL
// connection URI; anything else is the path of an SQLite file.
std::unique_ptr<Database> OpenDatabase(const std::string& target, const OpenOptions& options = {});
bool IsPostgresTarget(std::string_view target);

// The operator that matches a LIKE pattern in any case (ASCII letters; other
// scripts have no case to ignore): SQLite's LIKE already does, PostgreSQL
// needs ILIKE. Cheaper than LOWER() on both sides of every row.
inline const char* AnyCaseLike(const Database& db) {
  return db.Engine() == "postgresql" ? "ILIKE" : "LIKE";
}

std::unique_ptr<Database> OpenSqlite(const std::string& path, const OpenOptions& options);
std::unique_ptr<Database> OpenPostgres(const std::string& uri, const OpenOptions& options);

}  // namespace norvale::fleet
