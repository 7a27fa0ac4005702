#include "fleet/system/sqlite_files.h"

namespace norvale::fleet {

void FitSqliteFileAccess() {}

}  // namespace norvale::fleet
