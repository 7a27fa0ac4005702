#include <libpq-fe.h>

#include <map>

#include "fleet/database.h"

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
  PostgresDatabase(const std::string& uri, const OpenOptions& options) {
    conn_ = PQconnectdb(uri.c_str());
    if (PQstatus(conn_) != CONNECTION_OK) {
      std::string message = PQerrorMessage(conn_);
      while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
      PQfinish(conn_);
      conn_ = nullptr;
      throw DatabaseError(DatabaseError::Kind::kUnreachable,
                          "cannot reach the PostgreSQL server: " + message);
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

  std::string_view Engine() const override { return "postgresql"; }

  void BeginWrite() override { Execute("BEGIN"); }
  void Commit() override { Execute("COMMIT"); }
  void Rollback() noexcept override {
    if (PQtransactionStatus(conn_) != PQTRANS_IDLE) PQclear(PQexec(conn_, "ROLLBACK"));
  }
  void LockSchema() override { Execute("SELECT pg_advisory_xact_lock(72656574)"); }

  // One statement, so one transaction and one round trip: the run, and its
  // facts unnested from arrays, only where the run is new.
  std::optional<std::int64_t> StoreRunWithFacts(const std::vector<Param>& run,
                                                const std::vector<Fact>& facts) override {
    static const std::string sql =
        std::string("WITH run AS (INSERT INTO runs (") + kRunColumns +
        ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (file_sha256, computer) DO NOTHING RETURNING run_id),"
        " stored AS (INSERT INTO facts (run_id, line, category, item, subitem, contents, unit)"
        " SELECT run.run_id, f.line, f.category, f.item, f.subitem, f.contents, f.unit FROM run,"
        " unnest(?::integer[], ?::text[], ?::text[], ?::text[], ?::text[], ?::text[])"
        " AS f(line, category, item, subitem, contents, unit) RETURNING 1)"
        " SELECT (SELECT run_id FROM run), (SELECT COUNT(*) FROM stored)";
    std::vector<Param> params = run;
    params.push_back(LineArray(facts));
    for (std::string Fact::*field :
         {&Fact::category, &Fact::item, &Fact::subitem, &Fact::contents, &Fact::unit}) {
      params.push_back(TextArray(facts, field));
    }
    const auto rows = Query(sql, params);
    if (rows.empty() || !rows[0][0]) return std::nullopt;
    if (!rows[0][1] || std::stoul(*rows[0][1]) != facts.size()) {
      throw DatabaseError(DatabaseError::Kind::kOther, "the server stored a run only in part");
    }
    return std::stoll(*rows[0][0]);
  }

 private:
  void Run(std::string_view sql, const std::vector<Param>& params, std::vector<Row>* rows) override {
    const std::string text = NumberPlaceholders(sql);
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& p : params) values.push_back(p ? p->c_str() : nullptr);
    PGresult* raw = nullptr;
    if (params.empty()) {
      raw = PQexecParams(conn_, text.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
    } else {
      // Statements with values are parsed and planned once per connection.
      auto found = prepared_.find(text);
      if (found == prepared_.end()) {
        const std::string name = "s" + std::to_string(prepared_.size() + 1);
        Result prepared(PQprepare(conn_, name.c_str(), text.c_str(), 0, nullptr));
        if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) Fail(prepared.get());
        found = prepared_.emplace(text, name).first;
      }
      raw = PQexecPrepared(conn_, found->second.c_str(), static_cast<int>(values.size()),
                           values.data(), nullptr, nullptr, 0);
    }
    Result result(raw);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail(result.get());
    if (!rows) return;
    const int count = PQntuples(result.get());
    const int columns = PQnfields(result.get());
    for (int r = 0; r < count; ++r) {
      Row row;
      for (int c = 0; c < columns; ++c) {
        if (PQgetisnull(result.get(), r, c)) {
          row.emplace_back();
        } else {
          row.emplace_back(std::string(PQgetvalue(result.get(), r, c),
                                       static_cast<std::size_t>(PQgetlength(result.get(), r, c))));
        }
      }
      rows->push_back(std::move(row));
    }
  }

  [[noreturn]] void ConnectionLost() {
    throw DatabaseError(DatabaseError::Kind::kUnreachable,
                        "lost the PostgreSQL server: " + std::string(PQerrorMessage(conn_)));
  }

  [[noreturn]] void Fail(PGresult* result) {
    if (PQstatus(conn_) != CONNECTION_OK) ConnectionLost();
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    std::string message = result ? PQresultErrorMessage(result) : PQerrorMessage(conn_);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
      message.pop_back();
    const std::string code = state ? state : "";
    if (code == "53100")
      throw DatabaseError(DatabaseError::Kind::kFull, "the disk is full: " + message);
    if (code == "55P03") {
      throw DatabaseError(DatabaseError::Kind::kLocked,
                          "the database is locked by another program: " + message);
    }
    if (code == "40001" || code == "40P01")
      throw DatabaseError(DatabaseError::Kind::kRetry, message);
    if (code.rfind("08", 0) == 0 || code.rfind("57P", 0) == 0) {
      throw DatabaseError(DatabaseError::Kind::kUnreachable, message);
    }
    throw DatabaseError(DatabaseError::Kind::kOther, "database error: " + message);
  }

  PGconn* conn_ = nullptr;
  std::map<std::string, std::string> prepared_;  // statement text -> prepared name
};

}  // namespace

std::unique_ptr<Database> OpenPostgres(const std::string& uri, const OpenOptions& options) {
  return std::make_unique<PostgresDatabase>(uri, options);
}

}  // namespace norvale::fleet
