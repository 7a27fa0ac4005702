#include "fleet/store/schema.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

#include "fleet/store/inventory.h"

namespace norvale::fleet {
namespace {

// The same statements serve both engines; only the generated key and the
// tables kept in key order differ (Tables).
constexpr const char* kSchemaVersionTable =
    "CREATE TABLE IF NOT EXISTS fleet_schema (version INTEGER NOT NULL)";
// The runs table after its generated key.
constexpr const char* kRunsAfterKey =
    ","
    " computer TEXT NOT NULL,"
    " run_date TEXT NOT NULL,"
    " run_time TEXT NOT NULL,"
    " run_at TEXT,"
    " norvale_version TEXT NOT NULL,"
    " source_file TEXT NOT NULL,"
    " file_sha256 TEXT NOT NULL,"
    " file_mtime TEXT,"
    " loaded_at TEXT NOT NULL,"
    " row_count INTEGER NOT NULL,"
    " error_count INTEGER NOT NULL,"
    " encoding TEXT NOT NULL,"
    " seen_at TEXT,"
    " clock_ahead INTEGER NOT NULL DEFAULT 0,"
    " UNIQUE (file_sha256, computer))";
// facts.run_id is a runs.run_id: the loader writes a run and its facts in
// one transaction. No declared foreign key: PostgreSQL would check it with
// a trigger per row, which costs more than the rest of a load.
constexpr const char* kFactsTable =
    "CREATE TABLE IF NOT EXISTS facts ("
    " run_id BIGINT NOT NULL,"
    " line INTEGER NOT NULL,"
    " category TEXT NOT NULL,"
    " item TEXT NOT NULL,"
    " subitem TEXT NOT NULL,"
    " contents TEXT NOT NULL,"
    " unit TEXT NOT NULL,"
    " PRIMARY KEY (run_id, line))";

std::vector<std::string> Tables(const Database& db) {
  return {kSchemaVersionTable,
          "CREATE TABLE IF NOT EXISTS runs (run_id " + std::string(db.GeneratedKeyType()) +
              kRunsAfterKey,
          kFactsTable + std::string(db.KeyOrderedTable())};
}

// Each computer's newest run, chosen once per query by a window over an index
// that holds every value it needs: the time grows with the runs, never with
// their square, however many runs one computer has. Only the chosen runs are
// read from the table.
constexpr const char* kNewestRuns[] = {
    "CREATE INDEX IF NOT EXISTS runs_newest ON runs (computer, seen_at DESC, run_id DESC)",
    "CREATE INDEX IF NOT EXISTS runs_clock_ahead ON runs (computer) WHERE clock_ahead = 1",
    // The latest time the run counts as seen; ties by load order.
    "CREATE VIEW latest_runs AS SELECT r.* FROM ("
    " SELECT run_id, ROW_NUMBER() OVER (PARTITION BY computer"
    "  ORDER BY seen_at DESC, run_id DESC) AS newest_place FROM runs) newest"
    " JOIN runs r ON r.run_id = newest.run_id WHERE newest.newest_place = 1",
    "CREATE VIEW latest_facts AS"
    " SELECT r.computer, f.run_id, f.line, f.category, f.item, f.subitem, f.contents, f.unit"
    " FROM latest_runs r JOIN facts f ON f.run_id = r.run_id",
};

// A database of the first layout of version 1 has neither seen_at nor
// clock_ahead, and a view that compared every run of a computer with every
// other: it gains the columns, filled by the rule the loader applies (a
// header time more than a day after both the load and the file's
// modification time is ahead of the clock), and the views above.
constexpr const char* kAddNewestOrder[] = {
    "DROP VIEW IF EXISTS latest_facts",
    "DROP VIEW IF EXISTS latest_runs",
    "DROP INDEX IF EXISTS runs_by_computer",
    "ALTER TABLE runs ADD COLUMN seen_at TEXT",
    "ALTER TABLE runs ADD COLUMN clock_ahead INTEGER NOT NULL DEFAULT 0",
};
constexpr const char* kFillSeenAt =
    "UPDATE runs SET seen_at = CASE WHEN run_at IS NOT NULL AND clock_ahead = 0 THEN run_at"
    " WHEN file_mtime < loaded_at THEN file_mtime ELSE loaded_at END";

// Fills the added columns: clock_ahead first, seen_at depends on it.
void FillNewestOrder(Database& db) {
  const std::string day_after_load = db.OneDayLater(db.LaterOf("loaded_at", "file_mtime"));
  db.Execute("UPDATE runs SET clock_ahead = 1 WHERE run_at > " + day_after_load);
  db.Execute(kFillSeenAt);
}

// One row per computer from its newest run: what the computers command
// shows and filters on.
constexpr const char* kLatestComputers =
    "CREATE VIEW latest_computers AS"
    " SELECT r.computer, r.run_id, r.seen_at AS last_seen,"
    " o.windows, o.build AS windows_build, h.cpu_name AS cpu, h.cpu_count AS cpus,"
    " h.memory_total_mb AS memory_mb, h.system_disk_total_gb AS disk_total_gb,"
    " h.system_disk_free_gb AS disk_free_gb, h.system_disk_free_pct AS disk_free_pct,"
    " a.ip_address AS ip, a.mac_address AS mac, COALESCE(l.domain, l.workgroup) AS domain,"
    " l.user_name, s.system_vendor AS vendor, s.system_model AS model, s.bios_serial AS serial,"
    // The header time of a run dated ahead of the clock that would otherwise
    // be the newest: the chosen run itself, or one dated after it.
    " (SELECT MAX(a.run_at) FROM runs a WHERE a.computer = r.computer AND a.clock_ahead = 1"
    "  AND (a.run_id = r.run_id OR a.run_at > r.seen_at)) AS clock_ahead"
    " FROM latest_runs r"
    " LEFT JOIN os o ON o.run_id = r.run_id"
    " LEFT JOIN hardware h ON h.run_id = r.run_id"
    " LEFT JOIN adapters a ON a.run_id = r.run_id AND a.adapter_no = 1"
    " LEFT JOIN lan l ON l.run_id = r.run_id"
    " LEFT JOIN system_info s ON s.run_id = r.run_id";

// SearchTextOf each run, where the search command looks first (PostgreSQL
// keeps it in lower case: see Database::SearchTextHolds).
constexpr const char* kSearchTextTable = "run_search_texts";
constexpr const char* kSearchTexts =
    "CREATE TABLE IF NOT EXISTS run_search_texts (run_id BIGINT PRIMARY KEY,"
    " search_text TEXT NOT NULL)";

// Keyed by the first line: no two groups of a run share one, and no text
// of the file goes into an index (PostgreSQL refuses long index rows).
std::string FactGroupsStatement(const Database& db) {
  return std::string("CREATE TABLE IF NOT EXISTS ") + kFactGroupsTable +
         " (run_id BIGINT NOT NULL, first_line INTEGER NOT NULL, last_line INTEGER NOT NULL,"
         " category TEXT NOT NULL, changing_figures INTEGER NOT NULL, digest TEXT NOT NULL,"
         " PRIMARY KEY (run_id, first_line))" +
         std::string(db.KeyOrderedTable());
}

const char* SqlType(ColumnType type) {
  switch (type) {
    case ColumnType::kInteger:
      return "BIGINT";
    case ColumnType::kReal:
      return "DOUBLE PRECISION";
    case ColumnType::kText:
      break;
  }
  return "TEXT";
}

// The statements that schema version 2 adds: a table and a latest_* view
// per kind of inventory, and latest_computers.
std::vector<std::string> InventoryStatements(const Database& db) {
  std::vector<std::string> out;
  for (const InventoryTable& table : InventoryTables()) {
    std::string sql =
        std::string("CREATE TABLE IF NOT EXISTS ") + table.name + " (run_id BIGINT NOT NULL";
    for (const InventoryColumn& column : table.columns) {
      sql += std::string(", ") + column.name + " " + SqlType(column.type);
    }
    sql += table.one_per_run ? ", PRIMARY KEY (run_id))" : ", PRIMARY KEY (run_id, line))";
    sql += db.KeyOrderedTable();
    out.push_back(sql);
    out.push_back(std::string("CREATE VIEW latest_") + table.name + " AS SELECT r.computer, t.*" +
                  " FROM latest_runs r JOIN " + table.name + " t ON t.run_id = r.run_id");
  }
  out.push_back(kLatestComputers);
  out.push_back(kSearchTexts);
  out.push_back(FactGroupsStatement(db));
  // A computer named in any case (the computer command) found by the index.
  out.push_back("CREATE INDEX IF NOT EXISTS runs_by_computer_any_case ON runs (UPPER(computer))");
  return out;
}

bool HasSchemaTable(Database& db) { return db.HasTable("fleet_schema"); }

bool HasNewestOrder(Database& db) { return db.HasColumn("runs", "seen_at"); }

template <typename Statements>
void ExecuteAll(Database& db, const Statements& statements) {
  for (const auto& statement : statements) db.Execute(statement);
}

}  // namespace

int StoredSchemaVersion(Database& db) {
  if (!HasSchemaTable(db)) return 0;
  const auto rows = db.Query("SELECT MAX(version) FROM fleet_schema");
  return rows.empty() || !rows[0][0] ? 0 : std::stoi(*rows[0][0]);
}

namespace {

// Hands each stored run's facts, in line order, to `handle`, with whether it
// is the last of its batch: a batch of runs per query, so a large site is
// not read with a statement per run. The batch is read whole before `handle`
// writes to the database.
template <typename Handler>
std::int64_t ForEachStoredRun(Database& db, Handler handle) {
  std::vector<std::int64_t> run_ids;
  for (const Row& row : db.Query("SELECT run_id FROM runs ORDER BY run_id")) {
    run_ids.push_back(std::stoll(row[0].value_or("0")));
  }
  constexpr std::size_t kRunsPerQuery = 200;
  std::map<std::int64_t, std::vector<Fact>> batch;
  for (std::size_t first = 0; first < run_ids.size(); first += kRunsPerQuery) {
    const std::size_t last = std::min(run_ids.size(), first + kRunsPerQuery) - 1;
    batch.clear();
    for (std::size_t i = first; i <= last; ++i) batch[run_ids[i]];
    db.ForEachRow(
        "SELECT run_id, line, category, item, subitem, contents, unit FROM facts"
        " WHERE run_id BETWEEN ? AND ? ORDER BY run_id, line",
        {std::to_string(run_ids[first]), std::to_string(run_ids[last])}, [&batch](const Row& row) {
          batch[std::stoll(row[0].value_or("0"))].push_back(
              Fact{std::stoi(row[1].value_or("0")), row[2].value_or(""), row[3].value_or(""),
                   row[4].value_or(""), row[5].value_or(""), row[6].value_or("")});
        });
    for (const auto& [run_id, facts] : batch) handle(run_id, facts, run_id == run_ids[last]);
  }
  return static_cast<std::int64_t>(run_ids.size());
}

// Derives the typed rows (or with `search_texts_only` the search text) of
// every stored run, stored a batch at a time.
std::int64_t DeriveStoredRuns(Database& db, bool search_texts_only = false) {
  std::vector<std::int64_t> run_ids;
  std::vector<Inventory> inventories;
  return ForEachStoredRun(db, [&](std::int64_t run_id, const std::vector<Fact>& facts, bool last) {
    run_ids.push_back(run_id);
    if (search_texts_only) {
      inventories.emplace_back().search_text = SearchTextOf(facts);
    } else {
      inventories.push_back(DeriveInventory(facts));
    }
    if (!last) return;
    db.StoreInventories(run_ids, inventories);
    run_ids.clear();
    inventories.clear();
  });
}

}  // namespace

void Database::StoreInventories(const std::vector<std::int64_t>& run_ids,
                                const std::vector<Inventory>& inventories) {
  for (std::size_t i = 0; i < run_ids.size(); ++i) StoreInventory(run_ids[i], inventories[i]);
}

SchemaChange EnsureSchema(Database& db) {
  SchemaChange change;
  if (HasSchemaTable(db)) {
    const int version = StoredSchemaVersion(db);
    if (version > kSchemaVersion) {
      throw DatabaseError(DatabaseError::Kind::kOther, "the database has fleet schema version " +
                                                           std::to_string(version) +
                                                           ", newer than this program knows (" +
                                                           std::to_string(kSchemaVersion) + ")");
    }
    change.from = change.to = version;
    if (version == kSchemaVersion && HasNewestOrder(db) && db.HasTable(kSearchTextTable) &&
        db.HasTable(kFactGroupsTable)) {
      return change;
    }
  }
  db.BeginWrite();
  try {
    db.LockSchema();
    // Another load may have just made or upgraded it.
    change.from = StoredSchemaVersion(db);
    if (change.from == 0) {
      ExecuteAll(db, Tables(db));
      ExecuteAll(db, kNewestRuns);
      db.Execute("INSERT INTO fleet_schema (version) VALUES (?)", {std::string("1")});
    } else if (!HasNewestOrder(db)) {
      // Before the typed tables' views exist: they are built on latest_runs.
      ExecuteAll(db, kAddNewestOrder);
      FillNewestOrder(db);
      ExecuteAll(db, kNewestRuns);
    }
    if (change.from < 2) {
      ExecuteAll(db, InventoryStatements(db));
      if (change.from > 0) {
        // Derived again from the facts, whatever an earlier attempt left.
        db.Execute("DELETE FROM run_search_texts");
        db.Execute(std::string("DELETE FROM ") + kFactGroupsTable);
        change.runs = DeriveStoredRuns(db);
      }
      db.Execute("UPDATE fleet_schema SET version = ?", {std::string("2")});
    } else {
      // Schema 2 as first released had neither. The runs stored already
      // keep no fact groups: the change list compares them fact by fact,
      // and the next load is not held up by a pass over every fact.
      db.Execute(FactGroupsStatement(db));
      if (!db.HasTable(kSearchTextTable)) {
        db.Execute(kSearchTexts);
        change.runs = DeriveStoredRuns(db, true);
      }
    }
    db.Commit();
  } catch (...) {
    db.Rollback();
    throw;
  }
  change.to = kSchemaVersion;
  return change;
}

}  // namespace norvale::fleet
