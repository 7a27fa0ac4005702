// The typed inventory: one table per kind of thing the collectors report,
// with English column names, numbers in stated units and ISO dates, the same
// for English and Japanese result files. Derived from a run's facts when the
// run is stored; the facts stay the exact record of the file.
#pragma once

#include <string>
#include <vector>

#include "fleet/store/database.h"
#include "fleet/store/fact_groups.h"

namespace norvale::fleet {

enum class ColumnType { kText, kInteger, kReal };

struct InventoryColumn {
  const char* name;
  ColumnType type;
  const char* meaning;  // for the documentation and the tests
};

struct InventoryTable {
  const char* name;
  bool one_per_run;  // keyed by run_id alone; otherwise by run_id and line
  const char* meaning;
  std::vector<InventoryColumn> columns;  // after run_id
};

// Indexes into InventoryTables(), in its order.
enum InventoryKind {
  kInvOs,
  kInvHardware,
  kInvDrives,
  kInvAdapters,
  kInvApplications,
  kInvDevices,
  kInvPrinters,
  kInvShares,
  kInvEnvironment,
  kInvRegistryValues,
  kInvFileVersions,
  kInvSystemInfo,
  kInvMemoryModules,
  kInvLan,
  kInvErrors,
  kInvKindCount
};

const std::vector<InventoryTable>& InventoryTables();

// One run's typed rows: rows[kind][n] holds the values of that table's
// columns in order (numbers as plain decimal text; null where the file had
// nothing usable).
struct Inventory {
  std::vector<std::vector<Row>> rows = std::vector<std::vector<Row>>(kInvKindCount);
  std::string search_text;             // SearchTextOf the run's facts
  std::vector<FactGroup> fact_groups;  // FactGroupsOf the run's facts
  std::size_t RowCount() const;
};

Inventory DeriveInventory(const std::vector<Fact>& facts);

// Every item, sub-item and contents text of a run, a line each: the
// search command looks for a text in one string per run before it reads any
// fact, so a run without it costs one comparison instead of hundreds.
std::string SearchTextOf(const std::vector<Fact>& facts);

// "192.168.001.010" -> "192.168.1.10"; "-" (no address) -> nothing; other
// text as it is.
std::optional<std::string> PlainAddress(const std::string& text);

// A figure as the PC wrote it, with either decimal separator.
std::optional<double> FigureOf(const std::string& text);

}  // namespace norvale::fleet
