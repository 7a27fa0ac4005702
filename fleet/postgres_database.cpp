#include <libpq-fe.h>

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

// COPY's text format: backslash escapes for the characters it gives meaning.
void AppendCopyField(std::string& out, const std::string& text) {
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
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
      while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
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

  void Execute(std::string_view sql, const std::vector<Param>& params = {}) override {
    Run(sql, params, nullptr);
  }

  std::vector<Row> Query(std::string_view sql, const std::vector<Param>& params = {}) override {
    std::vector<Row> rows;
    Run(sql, params, &rows);
    return rows;
  }

  void BeginWrite() override { Execute("BEGIN"); }
  void Commit() override { Execute("COMMIT"); }
  void Rollback() noexcept override {
    if (PQtransactionStatus(conn_) != PQTRANS_IDLE) PQclear(PQexec(conn_, "ROLLBACK"));
  }
  void LockSchema() override { Execute("SELECT pg_advisory_xact_lock(72656574)"); }

  void InsertFacts(std::int64_t run_id, const std::vector<Fact>& facts) override {
    Result start(PQexec(conn_,
                        "COPY facts (run_id, line, category, item, subitem, contents, unit) "
                        "FROM STDIN"));
    if (PQresultStatus(start.get()) != PGRES_COPY_IN) Fail(start.get());
    const std::string id = std::to_string(run_id);
    std::string buffer;
    buffer.reserve(64 * 1024);
    for (const Fact& f : facts) {
      buffer += id;
      buffer += '\t';
      buffer += std::to_string(f.line);
      for (const std::string* text : {&f.category, &f.item, &f.subitem, &f.contents, &f.unit}) {
        buffer += '\t';
        AppendCopyField(buffer, *text);
      }
      buffer += '\n';
      if (buffer.size() > 60 * 1024) Send(buffer);
    }
    Send(buffer);
    if (PQputCopyEnd(conn_, nullptr) != 1) ConnectionLost();
    Result end(PQgetResult(conn_));
    // Drain whatever else the server sends so the connection is ready again.
    while (PGresult* more = PQgetResult(conn_)) PQclear(more);
    if (PQresultStatus(end.get()) != PGRES_COMMAND_OK) Fail(end.get());
  }

 private:
  void Send(std::string& buffer) {
    if (buffer.empty()) return;
    if (PQputCopyData(conn_, buffer.data(), static_cast<int>(buffer.size())) != 1) ConnectionLost();
    buffer.clear();
  }

  void Run(std::string_view sql, const std::vector<Param>& params, std::vector<Row>* rows) {
    const std::string text = NumberPlaceholders(sql);
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& p : params) values.push_back(p ? p->c_str() : nullptr);
    Result result(PQexecParams(conn_, text.c_str(), static_cast<int>(values.size()), nullptr,
                               values.data(), nullptr, nullptr, 0));
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
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    const std::string code = state ? state : "";
    if (code == "53100") throw DatabaseError(DatabaseError::Kind::kFull, "the disk is full: " + message);
    if (code == "55P03") {
      throw DatabaseError(DatabaseError::Kind::kLocked,
                          "the database is locked by another program: " + message);
    }
    if (code == "40001" || code == "40P01") throw DatabaseError(DatabaseError::Kind::kRetry, message);
    if (code.rfind("08", 0) == 0 || code.rfind("57P", 0) == 0) {
      throw DatabaseError(DatabaseError::Kind::kUnreachable, message);
    }
    throw DatabaseError(DatabaseError::Kind::kOther, "database error: " + message);
  }

  PGconn* conn_ = nullptr;
};

}  // namespace

std::unique_ptr<Database> OpenPostgres(const std::string& uri, const OpenOptions& options) {
  return std::make_unique<PostgresDatabase>(uri, options);
}

}  // namespace norvale::fleet
