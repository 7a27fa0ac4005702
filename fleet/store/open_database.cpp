// Which engine a target names.
#include "fleet/store/database.h"

namespace norvale::fleet {

bool IsPostgresTarget(std::string_view target) {
  return target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0;
}

std::unique_ptr<Database> OpenDatabase(const std::string& target, const OpenOptions& options) {
  if (IsPostgresTarget(target)) return OpenPostgres(target, options);
  return OpenSqlite(target, options);
}

}  // namespace norvale::fleet
