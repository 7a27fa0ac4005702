// Files and folders of a share that every user can write: nothing there is
// trusted. No link is followed inside a folder, only regular files are read,
// nothing blocks (a FIFO or a device is never opened for reading in a way
// that waits), and each folder is known by its identity on disk, so a loop
// of folders is visited once. Paths are UTF-8; on Windows any length, drive
// letters and UNC paths.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::fleet {

enum class EntryKind {
  kFile,    // a regular file
  kFolder,  // a real folder (not a link to one)
  kOther,   // a link, FIFO, device, socket: never read
};

// A folder whatever path reaches it: device and inode on POSIX, volume serial
// number and file ID on Windows.
struct FolderIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file_high = 0;
  std::uint64_t file_low = 0;
  auto operator<=>(const FolderIdentity&) const = default;
};

struct FolderEntry {
  std::string name;  // UTF-8, without the folder
  EntryKind kind = EntryKind::kOther;
};

struct FolderListing {
  bool listed = false;
  std::string error;  // why not, as the system says it
  FolderIdentity identity;
  std::vector<FolderEntry> entries;  // without "." and "..", in no particular order
};

// Whether the last component of a path may be a link (a folder or file the
// user named on the command line) or must not be (anything found in a folder).
enum class LastLink { kFollow, kRefuse };

// Lists a folder. A `path` that is a link is refused (kRefuse) like any
// other non-folder.
FolderListing ListFolder(const std::string& path, LastLink last_link);

// What a path names, following a link at its end (the user named it).
// kUnknown: it cannot be looked at (no permission); reading it says why.
enum class PathKind { kMissing, kFile, kFolder, kOther, kUnknown };
PathKind KindOfPath(const std::string& path);

struct FileContent {
  enum class Status {
    kRead,        // `bytes` holds the whole file
    kNotRegular,  // a link (kRefuse), FIFO, device, socket or folder
    kTooBig,      // more than the limit; nothing read
    kFailed,      // `error` says why
  };
  Status status = Status::kFailed;
  std::string bytes;
  std::int64_t modified = 0;  // last write, seconds since 1970-01-01 UTC
  std::string error;
};

// Reads a whole regular file of at most `max_bytes` bytes. The file is
// opened without following a link (kRefuse) and without blocking, and is
// checked to be a regular file on the opened handle itself, so a name
// swapped for a FIFO or a device after the folder was listed is still never
// read. A file that grows past the limit while being read is kTooBig.
FileContent ReadRegularFile(const std::string& path, std::uint64_t max_bytes,
                            LastLink last_link = LastLink::kRefuse);

// Replaces `path` with `bytes` as one step: the bytes go to a new temporary
// file beside it, created exclusively under a name nobody else chose (never
// through a link that stands where the temporary file would be), which then
// takes the place of `path`. A link at `path` itself is replaced, not
// followed. Throws std::runtime_error naming the file and the system's
// reason; the previous file is then as it was and no temporary file stays.
// kFlushed waits until the bytes are on the disk before the replacement, so
// a crash leaves the old file or the new one; kWhenTheSystemWrites leaves
// that to the system, for the thousands of pages one command makes again.
enum class Flush { kFlushed, kWhenTheSystemWrites };
void ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                           Flush flush = Flush::kFlushed);

// A new, empty file in the system's temporary folder under a name nobody
// else chose, for a library that opens files by a narrow name through the C
// runtime: the path is in the encoding fopen takes (the ANSI code page on
// Windows, where a temporary folder outside it is named by its short name).
// The caller removes the file. Throws std::runtime_error saying why not.
std::string CreateTemporaryFileForCLibrary(std::string_view suffix);

// Whether `path` (an existing file or one about to be created) lies on a
// network file system: a UNC path or a drive Windows reports as remote, an
// NFS or SMB mount on Linux.
bool IsOnNetworkFileSystem(const std::string& path);

// Makes the folder `path` (UTF-8) and the missing folders it lies in; one
// that is there already is fine. Throws std::runtime_error naming the folder
// and the system's reason.
void CreateFolders(const std::string& path);

// `folder` and `name` joined with the system's separator.
std::string JoinPath(std::string_view folder, std::string_view name);
// The last component of a path ("B.tsv" of "share/B.tsv").
std::string FileNameOf(std::string_view path);

}  // namespace norvale::fleet
