#include "fleet/open_store.h"

#include <stdexcept>

#include "fleet/store/schema.h"
#include "fleet/system/files.h"

namespace norvale::fleet {
namespace {

const std::string kNetworkDatabase =
    " is on a network folder, where SQLite's locking does not hold and the file can be "
    "corrupted; keep the database on a local disk or use PostgreSQL (--db postgresql://...)";
const std::string kNoSuchDatabase = "no such database: ";
const std::string kNoFleetData = "no fleet data in ";
const std::string kRunLoadFirst = "; run 'load' first";
const std::string kNewerSchema = "the database has a newer fleet schema (version ";
const std::string kOlderSchema = "the database has fleet schema version ";
const std::string kLoadUpgrades = "; 'load' upgrades it (in place, nothing lost)";

// SQLite on a share (a UNC path, a network drive, NFS or SMB) is refused
// rather than warned about: nothing the tool can do there keeps it safe.
void RefuseNetworkSqlite(const std::string& target) {
  if (!IsPostgresTarget(target) && IsOnNetworkFileSystem(target)) {
    throw std::runtime_error("the database " + target + kNetworkDatabase);
  }
}

// Runs `open` on the target; an SQLite failure names the file, a PostgreSQL
// one is left as the server put it (the URI may hold a password).
template <typename Open>
auto NamingTheFile(const std::string& target, const Open& open) {
  try {
    return open();
  } catch (const DatabaseError& e) {
    if (IsPostgresTarget(target)) throw;
    throw std::runtime_error(target + ": " + e.what());
  }
}

}  // namespace

std::unique_ptr<Database> OpenStoreForLoad(const std::string& target) {
  RefuseNetworkSqlite(target);
  return NamingTheFile(target, [&target] { return OpenDatabase(target); });
}

std::unique_ptr<Database> OpenStoreForQuery(const std::string& target) {
  // A wrong --db must not leave an empty database file behind.
  RefuseNetworkSqlite(target);
  if (!IsPostgresTarget(target) && KindOfPath(target) == PathKind::kMissing) {
    throw std::runtime_error(kNoSuchDatabase + target);
  }
  std::unique_ptr<Database> db;
  const int version = NamingTheFile(target, [&] {
    db = OpenDatabase(target);
    return StoredSchemaVersion(*db);
  });
  if (version == 0) throw std::runtime_error(kNoFleetData + target + kRunLoadFirst);
  if (version > kSchemaVersion) {
    throw std::runtime_error(kNewerSchema + std::to_string(version) + ")");
  }
  if (version < kSchemaVersion) {
    throw std::runtime_error(kOlderSchema + std::to_string(version) + kLoadUpgrades);
  }
  return db;
}

}  // namespace norvale::fleet
