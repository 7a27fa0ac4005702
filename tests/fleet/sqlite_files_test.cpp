// What SQLite needs of its file access, through the system's own VFS as the
// store fits it (on Windows, reads and writes at offsets without OVERLAPPED):
// each handle reads and writes where it is told, whatever the other handles
// of the file did last, a hole reads as zeros, and a read past the end is a
// short read filled up with zeros.
#include "fleet/system/sqlite_files.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

#include "tests/fleet/fleet_world.h"

namespace norvale::fleet::testing {
namespace {

// A file opened through the default VFS, closed with the object.
class VfsFile {
 public:
  VfsFile(sqlite3_vfs* vfs, const std::string& path)
      : storage_(new char[static_cast<std::size_t>(vfs->szOsFile)]()) {
    file_ = reinterpret_cast<sqlite3_file*>(storage_.get());
    int opened = 0;
    rc_ = vfs->xOpen(vfs, path.c_str(), file_,
                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MAIN_DB, &opened);
  }
  ~VfsFile() {
    if (rc_ == SQLITE_OK) file_->pMethods->xClose(file_);
  }
  int open_rc() const { return rc_; }
  int Write(const std::string& bytes, sqlite3_int64 offset) {
    return file_->pMethods->xWrite(file_, bytes.data(), static_cast<int>(bytes.size()), offset);
  }
  // The rc and the bytes the buffer holds afterwards; it starts out as '#'.
  std::pair<int, std::string> Read(int size, sqlite3_int64 offset) {
    std::string bytes(static_cast<std::size_t>(size), '#');
    const int rc = file_->pMethods->xRead(file_, bytes.data(), size, offset);
    return {rc, bytes};
  }

 private:
  std::unique_ptr<char[]> storage_;
  sqlite3_file* file_ = nullptr;
  int rc_ = SQLITE_ERROR;
};

TEST(SqliteFileAccess, ReadsAndWritesWhereEachHandleIsTold) {
  FitSqliteFileAccess();
  sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
  ASSERT_NE(vfs, nullptr);
  TempDir dir;
  const std::string path = dir / "pages.db";  // outlives the files, as SQLite asks
  VfsFile first(vfs, path), second(vfs, path);
  ASSERT_EQ(first.open_rc(), SQLITE_OK);
  ASSERT_EQ(second.open_rc(), SQLITE_OK);
  ASSERT_EQ(first.Write("abcd", 0), SQLITE_OK);
  ASSERT_EQ(first.Write("XYZ", 8192), SQLITE_OK);  // past the end: a hole before it
  ASSERT_EQ(second.Write("q", 1), SQLITE_OK);      // the other handle, back at the start
  const std::string zeros(4, '\0');
  struct Case {
    sqlite3_int64 offset;
    int size;
    int rc;
    std::string bytes;
  } cases[] = {
      {8192, 3, SQLITE_OK, "XYZ"},
      {0, 4, SQLITE_OK, "aqcd"},  // after a read further on, and the other handle's write
      {4096, 4, SQLITE_OK, zeros},
      {8193, 6, SQLITE_IOERR_SHORT_READ, std::string("YZ") + zeros},
      {20000, 4, SQLITE_IOERR_SHORT_READ, zeros},
  };
  for (const Case& c : cases) {
    for (VfsFile* file : {&first, &second}) {
      SCOPED_TRACE("offset " + std::to_string(c.offset) +
                   (file == &first ? ", first handle" : ", second handle"));
      EXPECT_EQ(file->Read(c.size, c.offset), std::make_pair(c.rc, c.bytes));
    }
  }
}

}  // namespace
}  // namespace norvale::fleet::testing
