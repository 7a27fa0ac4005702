#include "fleet/system/sqlite_files.h"

#include <sqlite3.h>
#include <windows.h>

#include <mutex>

namespace norvale::fleet {
namespace {

// SQLite hands every read and write its offset in an OVERLAPPED. Wine then
// asks its server, on each call, whether the file has a completion port to
// report to: two round trips for every page a transaction writes to the
// log, most of a load's time under Wine. Moving the file pointer and passing
// no OVERLAPPED is the same I/O, as SQLite opens its files for synchronous
// access and uses each connection's handles from one thread at a time.
bool MoveTo(HANDLE file, const OVERLAPPED* at) {
  if (!at) return true;
  LARGE_INTEGER offset;
  offset.LowPart = at->Offset;
  offset.HighPart = static_cast<LONG>(at->OffsetHigh);
  return SetFilePointerEx(file, offset, nullptr, FILE_BEGIN) != 0;
}

// At the end of the file both give fewer bytes than asked for (a synchronous
// read succeeds with them), which SQLite takes as a short read.
BOOL WINAPI ReadAt(HANDLE file, LPVOID into, DWORD size, LPDWORD got, LPOVERLAPPED at) {
  return MoveTo(file, at) && ReadFile(file, into, size, got, nullptr);
}

BOOL WINAPI WriteAt(HANDLE file, LPCVOID from, DWORD size, LPDWORD put, LPOVERLAPPED at) {
  return MoveTo(file, at) && WriteFile(file, from, size, put, nullptr);
}

}  // namespace

void FitSqliteFileAccess() {
  static std::once_flag once;
  std::call_once(once, [] {
    FitSqliteMemory();  // finding the VFS starts SQLite
    // The default VFS, "win32", lets its system calls be replaced by name.
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    if (!vfs || vfs->iVersion < 3 || !vfs->xSetSystemCall) return;
    vfs->xSetSystemCall(vfs, "ReadFile", reinterpret_cast<sqlite3_syscall_ptr>(ReadAt));
    vfs->xSetSystemCall(vfs, "WriteFile", reinterpret_cast<sqlite3_syscall_ptr>(WriteAt));
  });
}

}  // namespace norvale::fleet
