// The engine's own bulk-load floor for the fleet's rows: the facts of the
// given result files, read and parsed beforehand (not timed), stored in one
// go the fastest plain way each engine has: SQLite one transaction and one
// prepared statement, PostgreSQL one COPY. Prints rows per second.
//
//   fleet_bulk_floor TARGET DIR
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "fleet/load/result_file.h"
#include "fleet/store/database.h"

namespace {

using norvale::fleet::Fact;

// The facts table as the loader makes it on each engine.
constexpr const char* kTable =
    "CREATE TABLE floor_facts (run_id BIGINT NOT NULL, line INTEGER NOT NULL, category TEXT NOT "
    "NULL, item TEXT NOT NULL, subitem TEXT NOT NULL, contents TEXT NOT NULL, unit TEXT NOT NULL, "
    "PRIMARY KEY (run_id, line))";

// SQLite: one transaction, prepared statements of 32 rows each (its cost is
// mostly per statement run), the rest one by one.
void SqliteFloor(const std::string& path, const std::vector<std::vector<Fact>>& runs) {
  constexpr std::size_t kRows = 32;
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(
      db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; DROP TABLE IF EXISTS floor_facts",
      nullptr, nullptr, nullptr);
  sqlite3_exec(db, (std::string(kTable) + " WITHOUT ROWID").c_str(), nullptr, nullptr, nullptr);
  auto prepare = [&](std::size_t rows) {
    std::string sql = "INSERT INTO floor_facts VALUES (?, ?, ?, ?, ?, ?, ?)";
    for (std::size_t i = 1; i < rows; ++i) sql += ", (?, ?, ?, ?, ?, ?, ?)";
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    return stmt;
  };
  sqlite3_stmt* many = prepare(kRows);
  sqlite3_stmt* one = prepare(1);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (std::size_t r = 0; r < runs.size(); ++r) {
    const std::vector<Fact>& facts = runs[r];
    for (std::size_t next = 0; next < facts.size();) {
      const std::size_t rows = facts.size() - next >= kRows ? kRows : 1;
      sqlite3_stmt* stmt = rows == 1 ? one : many;
      sqlite3_reset(stmt);
      for (std::size_t k = 0; k < rows; ++k) {
        const Fact& f = facts[next + k];
        const int base = static_cast<int>(k) * 7;
        sqlite3_bind_int64(stmt, base + 1, static_cast<sqlite3_int64>(r + 1));
        sqlite3_bind_int(stmt, base + 2, f.line);
        const std::string* texts[] = {&f.category, &f.item, &f.subitem, &f.contents, &f.unit};
        for (int i = 0; i < 5; ++i)
          sqlite3_bind_text(stmt, base + 3 + i, texts[i]->data(),
                            static_cast<int>(texts[i]->size()), SQLITE_STATIC);
      }
      if (sqlite3_step(stmt) != SQLITE_DONE)
        std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(db));
      next += rows;
    }
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_finalize(many);
  sqlite3_finalize(one);
  sqlite3_exec(db, "DROP TABLE floor_facts", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

void Escape(std::string& out, const std::string& text) {
  for (const char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
}

void PostgresFloor(const std::string& uri, const std::vector<std::vector<Fact>>& runs) {
  PGconn* conn = PQconnectdb(uri.c_str());
  PQclear(PQexec(conn, "SET client_min_messages = warning"));
  PQclear(PQexec(conn, "DROP TABLE IF EXISTS floor_facts"));
  PQclear(PQexec(conn, kTable));
  PQclear(PQexec(conn, "COPY floor_facts FROM STDIN"));
  std::string buffer;
  for (std::size_t r = 0; r < runs.size(); ++r) {
    for (const Fact& f : runs[r]) {
      buffer += std::to_string(r + 1) + '\t' + std::to_string(f.line);
      for (const std::string* t : {&f.category, &f.item, &f.subitem, &f.contents, &f.unit}) {
        buffer += '\t';
        Escape(buffer, *t);
      }
      buffer += '\n';
      if (buffer.size() > 256 * 1024) {
        PQputCopyData(conn, buffer.data(), static_cast<int>(buffer.size()));
        buffer.clear();
      }
    }
  }
  PQputCopyData(conn, buffer.data(), static_cast<int>(buffer.size()));
  PQputCopyEnd(conn, nullptr);
  PGresult* result = PQgetResult(conn);
  if (PQresultStatus(result) != PGRES_COMMAND_OK)
    std::fprintf(stderr, "floor: %s", PQerrorMessage(conn));
  PQclear(result);
  while ((result = PQgetResult(conn))) PQclear(result);
  PQclear(PQexec(conn, "DROP TABLE floor_facts"));
  PQfinish(conn);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fleet_bulk_floor TARGET DIR\n");
    return 2;
  }
  const std::string target = argv[1];
  std::vector<std::vector<Fact>> runs;
  std::size_t rows = 0;
  for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    auto parsed = norvale::fleet::ParseResultFile(bytes.str());
    if (!parsed.file) continue;
    rows += parsed.file->facts.size();
    runs.push_back(std::move(parsed.file->facts));
  }
  auto cpu = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  };
  const double cpu_start = cpu();
  const auto start = std::chrono::steady_clock::now();
  if (norvale::fleet::IsPostgresTarget(target)) {
    PostgresFloor(target, runs);
  } else {
    SqliteFloor(target, runs);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu_seconds = cpu() - cpu_start;
  // The server's own work is not in this process's CPU time: PostgreSQL's
  // figure is by the clock only.
  std::printf("%-22s %6.1f s  %9.0f rows/s  cpu %5.1f s  %9.0f rows/cpu-s\n", "bulk-load floor",
              seconds, rows / seconds, cpu_seconds, rows / cpu_seconds);
  return 0;
}
