#include <libpq-fe.h>

#include <deque>
#include <map>

#include "core/utf.h"
#include "fleet/store/database.h"
#include "fleet/store/inventory.h"
#include "fleet/store/run_columns.h"

namespace norvale::fleet {
namespace {

// "?" placeholders become $1, $2, ...; quoted literals are left alone.
std::string NumberPlaceholders(std::string_view sql) {
  std::string out;
  int n = 0;
  bool in_literal = false;
  for (const char c : sql) {
    if (c == '\'') in_literal = !in_literal;
    if (c == '?' && !in_literal) {
      out += '$' + std::to_string(++n);
    } else {
      out += c;
    }
  }
  return out;
}

// An array literal of text values: {"a","b \"c\""}.
std::string TextArray(const std::vector<Fact>& facts, std::string Fact::*field) {
  std::string out = "{";
  for (const Fact& f : facts) {
    if (out.size() > 1) out += ',';
    out += '"';
    for (const char c : f.*field) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    out += '"';
  }
  return out + "}";
}

std::string LineArray(const std::vector<Fact>& facts) {
  std::string out = "{";
  for (const Fact& f : facts) {
    if (out.size() > 1) out += ',';
    out += std::to_string(f.line);
  }
  return out + "}";
}

void AppendJsonText(std::string& out, const std::string& text) {
  out += '"';
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  out += '"';
}

// A run's typed rows as one JSON array: per inventory table (in table order)
// an array of rows, each an array of texts and nulls; then the search text.
std::string InventoryJson(const Inventory& inventory) {
  std::string out = "[";
  for (std::size_t kind = 0; kind < inventory.rows.size(); ++kind) {
    out += kind ? ",[" : "[";
    for (std::size_t r = 0; r < inventory.rows[kind].size(); ++r) {
      out += r ? ",[" : "[";
      const Row& row = inventory.rows[kind][r];
      for (std::size_t c = 0; c < row.size(); ++c) {
        if (c) out += ',';
        if (row[c]) {
          AppendJsonText(out, *row[c]);
        } else {
          out += "null";
        }
      }
      out += ']';
    }
    out += ']';
  }
  out += ',';
  AppendJsonText(out, inventory.search_text);
  return out + "]";
}

// Statements that insert the typed rows of the run named by a CTE "run"
// from the JSON of InventoryJson that `json` names: ", i0 AS (...)".
std::string InventoryInserts(const std::string& json) {
  std::string sql;
  const auto& tables = InventoryTables();
  for (std::size_t kind = 0; kind < tables.size(); ++kind) {
    const InventoryTable& table = tables[kind];
    std::string columns, values;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      const InventoryColumn& column = table.columns[c];
      columns += std::string(", ") + column.name;
      const std::string text = "(e->>" + std::to_string(c) + ")";
      values += ", " + (column.type == ColumnType::kInteger ? text + "::bigint"
                        : column.type == ColumnType::kReal  ? text + "::double precision"
                                                            : text);
    }
    sql += ", i" + std::to_string(kind) + " AS (INSERT INTO " + table.name + " (run_id" + columns +
           ") SELECT run.run_id" + values + " FROM run, jsonb_array_elements(" + json + "->" +
           std::to_string(kind) + ") AS e)";
  }
  // The search text after the tables, kept in lower case (see the schema).
  sql +=
      ", search_text AS (INSERT INTO run_search_texts (run_id, search_text)"
      " SELECT run.run_id, lower(" +
      json + "->>" + std::to_string(tables.size()) + ") FROM run)";
  return sql;
}

std::string NotUtf8Message(const char* database, const char* encoding) {
  const std::string name = database ? database : "fleet";
  return "the PostgreSQL database " + name + " has the encoding " +
         (encoding ? encoding : "(unknown)") +
         ", which cannot hold every character of the result files; make a UTF8 database, "
         "for example: createdb --encoding=UTF8 --template=template0 " +
         name;
}

class Result {
 public:
  explicit Result(PGresult* result) : result_(result) {}
  ~Result() { PQclear(result_); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  PGresult* get() const { return result_; }

 private:
  PGresult* result_;
};

class PostgresDatabase final : public Database {
 public:
  PostgresDatabase(const std::string& uri, const OpenOptions& options)
      : uri_(uri), options_(options) {
    conn_ = PQconnectdb(uri.c_str());
    if (PQstatus(conn_) != CONNECTION_OK) {
      const std::string message = TrimEnd(PQerrorMessage(conn_), "\n ");
      PQfinish(conn_);
      conn_ = nullptr;
      throw DatabaseError(DatabaseError::Kind::kUnreachable,
                          "cannot reach the PostgreSQL server: " + message);
    }
    // Stored text is UTF-8 whatever the client's environment says, and only a
    // UTF8 database holds every character a result file may carry.
    if (PQsetClientEncoding(conn_, "UTF8") != 0) {
      const std::string message = PQerrorMessage(conn_);
      PQfinish(conn_);
      conn_ = nullptr;
      throw DatabaseError(DatabaseError::Kind::kOther,
                          "cannot set the client encoding to UTF8: " + message);
    }
    const char* server_encoding = PQparameterStatus(conn_, "server_encoding");
    if (!server_encoding || std::string_view(server_encoding) != "UTF8") {
      const std::string message = NotUtf8Message(PQdb(conn_), server_encoding);
      PQfinish(conn_);
      conn_ = nullptr;
      throw DatabaseError(DatabaseError::Kind::kOther, message);
    }
    // Each file is its own transaction and the files stay on the share: a
    // crash can lose only the last commits, which the next load stores again.
    Execute("SET synchronous_commit = off");
    Execute("SET client_min_messages = warning");
    // Like SQLite's busy timeout: wait for another program's lock, then fail.
    Execute("SELECT set_config('lock_timeout', ?, false)",
            {std::to_string(options.busy_timeout_ms) + "ms"});
  }

  ~PostgresDatabase() override { PQfinish(conn_); }

  std::unique_ptr<Database> OpenAnother() const override {
    return std::make_unique<PostgresDatabase>(uri_, options_);
  }

  void BeginWrite() override { Execute("BEGIN"); }
  void Commit() override { Execute("COMMIT"); }
  void Rollback() noexcept override {
    if (PQtransactionStatus(conn_) != PQTRANS_IDLE) PQclear(PQexec(conn_, "ROLLBACK"));
  }
  void LockSchema() override { Execute("SELECT pg_advisory_xact_lock(72656574)"); }

  std::string_view GeneratedKeyType() const override {
    return "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
  }
  std::string_view KeyOrderedTable() const override { return ""; }
  std::string_view AnyCaseLike() const override { return "ILIKE"; }
  std::string_view SearchTextLike() const override { return "LIKE lower(?)"; }
  // GREATEST passes over nulls.
  std::string LaterOf(std::string_view first, std::string_view second) const override {
    return "GREATEST(" + std::string(first) + ", " + std::string(second) + ")";
  }
  std::string OneDayLater(std::string_view timestamp) const override {
    return "to_char((" + std::string(timestamp) +
           ")::timestamp + interval '1 day', 'YYYY-MM-DD HH24:MI:SS')";
  }
  bool HasTable(const std::string& table) override {
    return !Query(
                "SELECT 1 FROM information_schema.tables WHERE table_name = ?"
                " AND table_type = 'BASE TABLE' AND table_schema = current_schema()",
                {table})
                .empty();
  }
  bool HasColumn(const std::string& table, const std::string& column) override {
    return !Query(
                "SELECT 1 FROM information_schema.columns WHERE table_name = ?"
                " AND column_name = ? AND table_schema = current_schema()",
                {table, column})
                .empty();
  }

  std::optional<std::int64_t> StoreRunWithFacts(const RunRecord& run,
                                                const std::vector<Fact>& facts) override {
    return StoreWithRetries(StoreParams(run, facts), facts.size());
  }

  // Pipeline mode: each run is its own transaction, while the server works
  // through the runs sent before it. A run's commit is sent only with the
  // next run (or at the end), after the stop check: the server stores its
  // rows meanwhile, and a stop request rolls it back.
  void QueueRunWithFacts(const RunRecord& run, const std::vector<Fact>& facts,
                         const StoreDone& done) override {
    std::vector<Param> params = StoreParams(run, facts);
    const std::string& name = PreparedName(StoreSql());
    if (open_) {
      if (StopRequested()) FinishRuns(kRollback);  // throws
      CloseOpenRun(kCommit);
    }
    // Take the answers that are in; never let more than a few runs, or more
    // than a few megabytes of them, wait.
    if (!queued_.empty() && PQconsumeInput(conn_) != 1) {
      AbandonPipeline();
      ConnectionLost();
    }
    while (!queued_.empty() && (queued_.size() > kMaxQueued || queued_bytes_ > kMaxQueuedBytes ||
                                PQisBusy(conn_) == 0)) {
      TakeOldestAnswer();
    }
    if (failure_) FinishQueuedRuns();  // answers the rest, then throws
    if (!pipeline_) {
      if (PQenterPipelineMode(conn_) != 1) ConnectionLost();
      pipeline_ = true;
    }
    // The sync point after the rows sends them on; it ends no transaction
    // begun by BEGIN, and after a failed statement it is where the server
    // takes statements again, so that the run's end still reaches it.
    const std::vector<const char*> values = Values(params);
    if (!SendStatement(kBegin) ||
        PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(values.size()), values.data(),
                            nullptr, nullptr, 0) != 1 ||
        PQpipelineSync(conn_) != 1) {
      AbandonPipeline();
      ConnectionLost();
    }
    const std::size_t bytes = ParamBytes(params);
    open_ = Queued{std::move(params), facts.size(), bytes, done};
  }

  void StoreInventory(std::int64_t run_id, const Inventory& inventory) override {
    StoreInventories({run_id}, {inventory});
  }

  // One statement for all the runs: a round trip per run would cost more
  // than the inserts themselves.
  void StoreInventories(const std::vector<std::int64_t>& run_ids,
                        const std::vector<Inventory>& inventories) override {
    static const std::string sql =
        "WITH run AS (SELECT CAST(r->>0 AS BIGINT) AS run_id, r->1 AS inventory"
        " FROM jsonb_array_elements(CAST(? AS jsonb)) AS r)" +
        InventoryInserts("run.inventory") + " SELECT 1";
    std::string runs = "[";
    for (std::size_t i = 0; i < run_ids.size(); ++i) {
      runs +=
          (i ? ",[" : "[") + std::to_string(run_ids[i]) + "," + InventoryJson(inventories[i]) + "]";
    }
    Execute(sql, {runs + "]"});
  }

  void FinishQueuedRuns() override { FinishRuns(open_ && StopRequested() ? kRollback : kCommit); }

 private:
  // Ends the open run with `end`, waits for every answer and leaves the
  // pipeline; throws the first failure, or RunRolledBack after a rollback.
  void FinishRuns(const char* end) {
    if (open_) CloseOpenRun(end);
    while (!queued_.empty()) TakeOldestAnswer();
    if (pipeline_) {
      pipeline_ = false;
      if (PQexitPipelineMode(conn_) != 1) ConnectionLost();
    }
    if (failure_) {
      const DatabaseError failure = *failure_;
      failure_.reset();
      throw failure;
    }
    if (end == kRollback) throw RunRolledBack();
  }

  // One statement: the run, and its facts unnested from arrays, only where
  // the run is new.
  static const std::string& StoreSql() {
    static const std::string sql = [] {
      // The facts' arrays and the typed rows' JSON follow the run's values.
      const std::size_t first = RunColumns().size() + 1;
      auto array = [first](std::size_t offset, const char* type) {
        return "$" + std::to_string(first + offset) + "::" + type + "[]";
      };
      return "WITH run AS (" + NumberPlaceholders(InsertRunStatement()) +
             "),"
             " stored AS (INSERT INTO facts (run_id, line, category, item, subitem, contents, unit)"
             " SELECT run.run_id, f.line, f.category, f.item, f.subitem, f.contents, f.unit FROM"
             " run, unnest(" +
             array(0, "integer") + ", " + array(1, "text") + ", " + array(2, "text") + ", " +
             array(3, "text") + ", " + array(4, "text") + ", " + array(5, "text") +
             ") AS f(line, category, item, subitem, contents, unit) RETURNING 1)" +
             InventoryInserts("$" + std::to_string(first + 6) + "::jsonb") +
             " SELECT (SELECT run_id FROM run), (SELECT COUNT(*) FROM stored)";
    }();
    return sql;
  }
  static constexpr std::size_t kMaxQueued = 16;
  static constexpr std::size_t kMaxQueuedBytes = 32 << 20;

  struct Queued {
    std::vector<Param> params;
    std::size_t facts;
    std::size_t bytes;  // of the params, kept to store the run again after a conflict
    StoreDone done;
    bool rolled_back = false;
  };

  static constexpr const char* kBegin = "BEGIN";
  static constexpr const char* kCommit = "COMMIT";
  static constexpr const char* kRollback = "ROLLBACK";

  bool SendStatement(const char* sql) {
    return PQsendQueryParams(conn_, sql, 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
  }

  // Ends the open run's transaction with COMMIT or ROLLBACK and its sync
  // point; its answer is then awaited like the others'.
  void CloseOpenRun(const char* end) {
    Queued run = std::move(*open_);
    open_.reset();
    run.rolled_back = end == kRollback;
    if (!SendStatement(end) || PQpipelineSync(conn_) != 1) {
      AbandonPipeline();
      ConnectionLost();
    }
    queued_bytes_ += run.bytes;
    queued_.push_back(std::move(run));
  }

  // The next statement's result in the pipeline, and the end of its results.
  PGresult* TakeStatementResult() {
    PGresult* result = PQgetResult(conn_);
    if (!result) {
      AbandonPipeline();
      ConnectionLost();
    }
    for (PGresult* rest; (rest = PQgetResult(conn_)) != nullptr;) PQclear(rest);
    return result;
  }

  static std::size_t ParamBytes(const std::vector<Param>& params) {
    std::size_t bytes = 0;
    for (const Param& p : params) bytes += p ? p->size() : 0;
    return bytes;
  }

  static std::vector<Param> StoreParams(const RunRecord& run, const std::vector<Fact>& facts) {
    std::vector<Param> params = RunParams(run);
    params.push_back(LineArray(facts));
    for (std::string Fact::*field :
         {&Fact::category, &Fact::item, &Fact::subitem, &Fact::contents, &Fact::unit}) {
      params.push_back(TextArray(facts, field));
    }
    params.push_back(InventoryJson(DeriveInventory(facts)));
    return params;
  }

  static std::vector<const char*> Values(const std::vector<Param>& params) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& p : params) values.push_back(p ? p->c_str() : nullptr);
    return values;
  }

  // The new run's id, or nothing when its content was stored already.
  std::optional<std::int64_t> StoredRunId(PGresult* result, std::size_t facts) {
    if (PQntuples(result) != 1 || PQgetisnull(result, 0, 0)) return std::nullopt;
    if (PQgetisnull(result, 0, 1) || std::stoul(PQgetvalue(result, 0, 1)) != facts) {
      throw DatabaseError(DatabaseError::Kind::kOther, "the server stored a run only in part");
    }
    return std::stoll(PQgetvalue(result, 0, 0));
  }

  // A conflict with a concurrent load (serialisation, deadlock) is tried again.
  std::optional<std::int64_t> StoreWithRetries(const std::vector<Param>& params,
                                               std::size_t facts) {
    const std::vector<const char*> values = Values(params);
    for (int attempt = 1;; ++attempt) {
      Result result(PQexecPrepared(conn_, PreparedName(StoreSql()).c_str(),
                                   static_cast<int>(values.size()), values.data(), nullptr, nullptr,
                                   0));
      if (PQresultStatus(result.get()) == PGRES_TUPLES_OK) return StoredRunId(result.get(), facts);
      const DatabaseError error = ErrorOf(result.get());
      if (error.kind() != DatabaseError::Kind::kRetry || attempt == 3) throw error;
    }
  }

  void TakeSyncPoint() {
    Result sync(PQgetResult(conn_));
    if (PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC) {
      AbandonPipeline();
      ConnectionLost();
    }
  }

  // Reads the oldest queued run's answers (BEGIN and the store, a sync
  // point, its end, a sync point). A failed run is remembered and the later
  // ones are still read (each is its own transaction); a conflict to retry
  // is stored again once the pipeline is empty.
  void TakeOldestAnswer() {
    Queued queued = std::move(queued_.front());
    queued_.pop_front();
    queued_bytes_ -= queued.bytes;
    std::optional<DatabaseError> error;
    std::optional<std::int64_t> run_id;
    {
      Result begin(TakeStatementResult());
      Result store(TakeStatementResult());
      TakeSyncPoint();
      Result end(TakeStatementResult());
      TakeSyncPoint();
      // The first statement that failed; the server skipped the ones after
      // it up to the sync point, and the run's end then rolled it back.
      for (const Result* result : {&begin, &store, &end}) {
        const ExecStatusType status = PQresultStatus(result->get());
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) continue;
        if (status != PGRES_PIPELINE_ABORTED) error = ErrorOf(result->get());
        break;
      }
      if (!error && !queued.rolled_back) {
        try {
          run_id = StoredRunId(store.get(), queued.facts);
        } catch (const DatabaseError& e) {
          error = e;
        }
      }
    }
    if (queued.rolled_back) {
      queued.done({std::nullopt, {}, true});
    } else if (error && error->kind() == DatabaseError::Kind::kRetry) {
      retry_.push_back(std::move(queued));
    } else if (error && error->kind() == DatabaseError::Kind::kRefused) {
      queued.done({std::nullopt, error->what(), false});
    } else if (error) {
      if (!failure_) failure_ = error;
    } else {
      queued.done({run_id, {}, false});
    }
    if (queued_.empty() && !open_ && !retry_.empty()) RetryConflicts();
  }

  void RetryConflicts() {
    if (PQexitPipelineMode(conn_) != 1) ConnectionLost();
    pipeline_ = false;
    std::deque<Queued> again;
    again.swap(retry_);
    for (Queued& q : again) {
      if (failure_) break;
      try {
        q.done({StoreWithRetries(q.params, q.facts), {}, false});
      } catch (const DatabaseError& e) {
        if (e.kind() == DatabaseError::Kind::kRefused) {
          q.done({std::nullopt, e.what(), false});
        } else {
          failure_ = e;
        }
      }
    }
  }

  // The connection is lost: nothing queued can be answered any more.
  void AbandonPipeline() {
    open_.reset();
    queued_.clear();
    queued_bytes_ = 0;
    retry_.clear();
    pipeline_ = false;
  }

  const std::string& PreparedName(const std::string& text) {
    auto found = prepared_.find(text);
    if (found == prepared_.end()) {
      const std::string name = "s" + std::to_string(prepared_.size() + 1);
      Result prepared(PQprepare(conn_, name.c_str(), text.c_str(), 0, nullptr));
      if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) throw ErrorOf(prepared.get());
      found = prepared_.emplace(text, name).first;
    }
    return found->second;
  }

  void Run(std::string_view sql, const std::vector<Param>& params,
           const RowHandler* handle) override {
    FinishQueuedRuns();  // a pipeline takes no ordinary statements
    const std::string text = NumberPlaceholders(sql);
    const std::vector<const char*> values = Values(params);
    // Statements with values are parsed and planned once per connection.
    Result result(params.empty()
                      ? PQexecParams(conn_, text.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)
                      : PQexecPrepared(conn_, PreparedName(text).c_str(),
                                       static_cast<int>(values.size()), values.data(), nullptr,
                                       nullptr, 0));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw ErrorOf(result.get());
    if (!handle) return;
    const int count = PQntuples(result.get());
    const int columns = PQnfields(result.get());
    Row row(static_cast<std::size_t>(columns));
    for (int r = 0; r < count; ++r) {
      for (int c = 0; c < columns; ++c) {
        auto& cell = row[static_cast<std::size_t>(c)];
        if (PQgetisnull(result.get(), r, c)) {
          cell.reset();
        } else {
          const char* text = PQgetvalue(result.get(), r, c);
          const auto size = static_cast<std::size_t>(PQgetlength(result.get(), r, c));
          // The last row's string is reused: no allocation per cell.
          cell ? cell->assign(text, size) : cell.emplace(text, size);
        }
      }
      (*handle)(row);
    }
  }

  [[noreturn]] void ConnectionLost() {
    throw DatabaseError(DatabaseError::Kind::kUnreachable,
                        "lost the PostgreSQL server: " + std::string(PQerrorMessage(conn_)));
  }

  // The failure a result reports, as this program names it.
  DatabaseError ErrorOf(const PGresult* result) {
    if (PQstatus(conn_) != CONNECTION_OK) {
      return DatabaseError(DatabaseError::Kind::kUnreachable,
                           "lost the PostgreSQL server: " + std::string(PQerrorMessage(conn_)));
    }
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string message =
        TrimEnd(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_), "\n ");
    const std::string code = state ? state : "";
    if (code == "53100")
      return DatabaseError(DatabaseError::Kind::kFull, "the disk is full: " + message);
    if (code == "55P03") {
      return DatabaseError(DatabaseError::Kind::kLocked,
                           "the database is locked by another program: " + message);
    }
    if (code == "40001" || code == "40P01")
      return DatabaseError(DatabaseError::Kind::kRetry, message);
    // Data exceptions (an encoding, a value too long), integrity constraints
    // and program limits (an index row too big) concern the values sent.
    if (code.rfind("22", 0) == 0 || code.rfind("23", 0) == 0 || code.rfind("54", 0) == 0) {
      return DatabaseError(DatabaseError::Kind::kRefused, "refused by the database: " + message);
    }
    if (code.rfind("08", 0) == 0 || code.rfind("57P", 0) == 0) {
      return DatabaseError(DatabaseError::Kind::kUnreachable, message);
    }
    return DatabaseError(DatabaseError::Kind::kOther, "database error: " + message);
  }

  std::string uri_;
  OpenOptions options_;
  PGconn* conn_ = nullptr;
  std::map<std::string, std::string> prepared_;  // statement text -> prepared name
  bool pipeline_ = false;
  std::optional<Queued> open_;  // sent without its commit yet
  std::deque<Queued> queued_;   // sent, not yet answered, oldest first
  std::size_t queued_bytes_ = 0;
  std::deque<Queued> retry_;  // answered with a conflict, to store again
  std::optional<DatabaseError> failure_;
};

}  // namespace

std::unique_ptr<Database> OpenPostgres(const std::string& uri, const OpenOptions& options) {
  return std::make_unique<PostgresDatabase>(uri, options);
}

}  // namespace norvale::fleet
