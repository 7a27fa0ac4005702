#include "fleet/system/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>

namespace norvale::fleet {
namespace {

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

void ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
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
  if (error == 0 && fsync(fd) != 0) error = errno;
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

}  // namespace norvale::fleet
