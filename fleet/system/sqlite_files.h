// SQLite's file access fitted to the system, before the first database opens.
#pragma once

namespace norvale::fleet {

// Once per process; later calls do nothing. Nothing to fit on POSIX.
void FitSqliteFileAccess();

}  // namespace norvale::fleet
