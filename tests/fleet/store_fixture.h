// The store's tests run against SQLite and against a real PostgreSQL server:
// the fixture they share, a fresh database of the engine the parameter names.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fleet/load/loader.h"
#include "fleet/store/database.h"
#include "fleet/store/inventory.h"
#include "tests/fleet/fleet_world.h"
#include "tests/fleet/postgres_server.h"

namespace norvale::fleet::testing {

class FleetStore : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    target_ = GetParam() == "sqlite" ? dir_ / "fleet.sqlite" : FreshPostgresTarget();
    ASSERT_FALSE(target_.empty());
    db_ = OpenDatabase(target_);
    share_ = dir_ / "share";
    std::filesystem::create_directory(share_);
  }

  bool IsSqlite() const { return GetParam() == "sqlite"; }

  void Put(const PcSpec& pc, const std::string& name = "") {
    WriteFile(share_ + "/" + (name.empty() ? pc.computer + (pc.csv ? ".csv" : ".tsv") : name),
              ResultBytes(pc));
  }

  // Computers PC-100, PC-101, ... with `apps` applications each, every
  // `japanese_every`-th one Japanese; `adjust` may change any of them.
  void PutComputers(int count, int apps, int japanese_every,
                    const std::function<void(int, PcSpec&)>& adjust = {}) {
    for (int i = 0; i < count; ++i) {
      PcSpec pc;
      pc.computer = "PC-" + std::to_string(100 + i);
      pc.japanese = japanese_every > 0 && i % japanese_every == 0;
      for (int a = 0; a < apps; ++a) pc.apps.push_back({"App " + std::to_string(a), "1.0", "Acme"});
      if (adjust) adjust(i, pc);
      Put(pc);
    }
  }

  LoadSummary Load(Database& db, const LoadOptions& options = {}) {
    observer_ = RecordingObserver();
    return LoadResultFiles(db, {share_}, options, observer_);
  }
  LoadSummary Load() { return Load(*db_); }

  std::string Scalar(const std::string& sql, const std::vector<Param>& params = {}) {
    const auto rows = db_->Query(sql, params);
    return rows.empty() || !rows[0][0] ? "" : *rows[0][0];
  }

  TempDir dir_;
  std::string target_, share_;
  std::unique_ptr<Database> db_;
  RecordingObserver observer_;
};

// Every stored run whole, and no row of any table without its run.
inline void ExpectOnlyWholeRuns(Database& db) {
  EXPECT_EQ(db.Query("SELECT COUNT(*) FROM runs r WHERE row_count <> "
                     "(SELECT COUNT(*) FROM facts f WHERE f.run_id = r.run_id)"),
            (std::vector<Row>{{"0"}}));
  std::vector<std::string> tables = {"facts"};
  for (const InventoryTable& table : InventoryTables()) tables.push_back(table.name);
  for (const std::string& table : tables) {
    EXPECT_EQ(db.Query("SELECT COUNT(*) FROM " + table +
                       " WHERE run_id NOT IN (SELECT run_id FROM runs)"),
              (std::vector<Row>{{"0"}}))
        << table;
  }
}

// Every typed table, read back through its latest_* view as text.
inline std::vector<std::string> TypedDump(Database& db) {
  std::vector<std::string> out;
  for (const InventoryTable& table : InventoryTables()) {
    std::string columns = "computer";
    for (const InventoryColumn& column : table.columns) columns += std::string(", ") + column.name;
    for (const Row& row :
         db.Query("SELECT " + columns + " FROM latest_" + table.name + " ORDER BY " + columns)) {
      std::string line = table.name;
      for (const auto& cell : row) line += "|" + cell.value_or("NULL");
      out.push_back(line);
    }
  }
  return out;
}

}  // namespace norvale::fleet::testing
