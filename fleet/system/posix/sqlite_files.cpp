#include "fleet/system/sqlite_files.h"

namespace norvale::fleet {

void FitSqliteFileAccess() {}

void FitSqliteMemory() {}

}  // namespace norvale::fleet
