#include "fleet/system/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <utility>

#include "fleet/system/limited_read.h"

namespace norvale::fleet {
namespace {

// Closes a descriptor on every path out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

std::string SystemReason() { return std::strerror(errno); }

EntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::kFile;
  if (S_ISDIR(mode)) return EntryKind::kFolder;
  return EntryKind::kOther;
}

int LinkFlag(LastLink last_link) { return last_link == LastLink::kRefuse ? O_NOFOLLOW : 0; }

constexpr const char* kCannotWrite = "cannot write ";
constexpr const char* kCannotReplace = "cannot replace ";
constexpr int kNameAttempts = 100;

std::runtime_error SystemError(const char* what, const std::string& path, int error) {
  return std::runtime_error(what + path + ": " + std::strerror(error));
}

// "<path>.<random>.part"; never an existing name, so never a planted link.
std::string TemporaryNameFor(const std::string& path) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name = path + ".";
  for (int i = 0; i < 12; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name + ".part";
}

}  // namespace

FolderListing ListFolder(const std::string& path, LastLink last_link) {
  FolderListing listing;
  Descriptor fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | LinkFlag(last_link)));
  if (fd.get() < 0) {
    listing.error = SystemReason();
    return listing;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) {
    listing.error = SystemReason();
    return listing;
  }
  listing.identity = {static_cast<std::uint64_t>(st.st_dev), 0,
                      static_cast<std::uint64_t>(st.st_ino)};
  // fdopendir takes the descriptor over; a duplicate stays for fstatat.
  Descriptor lookup(dup(fd.get()));
  DIR* dir = fdopendir(fd.get());
  if (!dir || lookup.get() < 0) {
    listing.error = SystemReason();
    if (dir) closedir(dir);
    return listing;
  }
  fd.release();
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    EntryKind kind = EntryKind::kOther;
    if (entry->d_type == DT_REG) {
      kind = EntryKind::kFile;
    } else if (entry->d_type == DT_DIR) {
      kind = EntryKind::kFolder;
    } else if (entry->d_type == DT_UNKNOWN) {
      // Some file systems leave the type to a stat of the entry itself.
      struct stat entry_st {};
      if (fstatat(lookup.get(), entry->d_name, &entry_st, AT_SYMLINK_NOFOLLOW) == 0) {
        kind = KindOfMode(entry_st.st_mode);
      }
    }
    listing.entries.push_back({name, kind});
    errno = 0;
  }
  const int read_error = errno;
  closedir(dir);
  if (read_error != 0) {
    errno = read_error;
    listing.error = SystemReason();
    return listing;
  }
  listing.listed = true;
  return listing;
}

PathKind KindOfPath(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? PathKind::kMissing : PathKind::kUnknown;
  }
  if (S_ISREG(st.st_mode)) return PathKind::kFile;
  if (S_ISDIR(st.st_mode)) return PathKind::kFolder;
  return PathKind::kOther;
}

FileContent ReadRegularFile(const std::string& path, std::uint64_t max_bytes, LastLink last_link) {
  FileContent content;
  // O_NONBLOCK: opening a FIFO for reading returns at once instead of
  // waiting for a writer; the fstat below then refuses it unread.
  Descriptor fd(
      open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | LinkFlag(last_link)));
  if (fd.get() < 0) {
    // ELOOP: the name is a link and links are refused.
    content.status =
        errno == ELOOP ? FileContent::Status::kNotRegular : FileContent::Status::kFailed;
    content.error = SystemReason();
    return content;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) {
    content.error = SystemReason();
    return content;
  }
  if (!S_ISREG(st.st_mode)) {
    content.status = FileContent::Status::kNotRegular;
    return content;
  }
  content.modified = st.st_mtim.tv_sec;
  // A regular file ignores O_NONBLOCK: reads wait for the disk as usual.
  content.status = ReadWithinLimit(
      static_cast<std::uint64_t>(st.st_size), max_bytes,
      [&fd](char* into, std::size_t size) -> std::int64_t {
        ssize_t got;
        do {
          got = read(fd.get(), into, size);
        } while (got < 0 && errno == EINTR);
        return got;
      },
      content.bytes);
  if (content.status == FileContent::Status::kFailed) content.error = SystemReason();
  return content;
}

void ReplaceFileAtomically(const std::string& path, std::string_view bytes, Flush flush) {
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < kNameAttempts; ++attempt) {
    temporary = TemporaryNameFor(path);
    // O_EXCL fails on any existing name, a link included; O_NOFOLLOW as well.
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw SystemError(kCannotWrite, path, errno);
  const char* next = bytes.data();
  std::size_t left = bytes.size();
  int error = 0;
  while (left > 0 && error == 0) {
    const ssize_t written = write(fd, next, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error = written < 0 ? errno : EIO;
    } else {
      next += written;
      left -= static_cast<std::size_t>(written);
    }
  }
  if (error == 0 && flush == Flush::kFlushed && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    unlink(temporary.c_str());
    throw SystemError(kCannotWrite, temporary, error);
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    error = errno;
    unlink(temporary.c_str());
    throw SystemError(kCannotReplace, path, error);
  }
}

std::string CreateTemporaryFileForCLibrary(std::string_view suffix) {
  const char* folder = std::getenv("TMPDIR");
  std::string path = std::string(folder && *folder ? folder : "/tmp") + "/norvale-XXXXXX";
  path += suffix;
  const Descriptor file(mkstemps(path.data(), static_cast<int>(suffix.size())));
  if (file.get() < 0) throw SystemError(kCannotWrite, path, errno);
  return path;
}

bool IsOnNetworkFileSystem(const std::string& path) {
  // The file may not exist yet: its folder tells.
  struct statfs fs {};
  if (statfs(path.c_str(), &fs) != 0) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (statfs(folder.c_str(), &fs) != 0) return false;
  }
  // The kernel's numbers of the network file systems (CIFS, SMB2 and Ceph
  // are not in <linux/magic.h>).
  constexpr std::uint32_t kCifs = 0xFF534D42, kSmb2 = 0xFE534D42, kCeph = 0x00C36400;
  switch (static_cast<std::uint32_t>(fs.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case kCifs:
    case kSmb2:
    case AFS_SUPER_MAGIC:
    case CODA_SUPER_MAGIC:
    case kCeph:
      return true;
    default:
      return false;
  }
}

void CreateFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) throw std::runtime_error("cannot make the folder " + path + ": " + ec.message());
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  return path.append(name);
}

std::string FileNameOf(std::string_view path) {
  const auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace norvale::fleet
