// SQLite's file access and memory fitted to the system, before the first
// database opens.
#pragma once

namespace norvale::fleet {

// Once per process; later calls do nothing. Nothing to fit on POSIX.
void FitSqliteFileAccess();

// SQLite's memory from the program's own allocator. Takes effect only
// before SQLite is first used (later calls change nothing); once per
// process. Nothing to fit on POSIX.
void FitSqliteMemory();

}  // namespace norvale::fleet
