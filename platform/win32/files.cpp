#include "platform/win32/files.h"

#include <cstdio>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

// Appends through the C runtime's buffer: one row is one short write, so a
// save of many thousand rows costs a few system calls, not one per row.
class BufferedWriter : public platform::LineWriter {
 public:
  explicit BufferedWriter(FILE* file) : file_(file) {
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  }
  ~BufferedWriter() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  void Write(std::string_view bytes) override {
    if (file_ == nullptr) throw Failure::BadFileName();
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
      failed_ = true;
      throw Failure::DiskFull();
    }
  }
  void Close() override {
    if (file_ == nullptr) return;
    // A buffer flushed earlier may have failed while the last flush finds
    // nothing left to write: the file is incomplete all the same.
    const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed_ || !flushed || !closed) throw Failure::DiskFull();
  }

 private:
  FILE* file_;
  bool failed_ = false;
};

DWORD Attributes(std::string_view path) { return GetFileAttributesW(Wide(path).c_str()); }

}  // namespace

std::string Win32Files::CreateTempFile(std::string_view folder, std::string_view prefix) {
  wchar_t name[MAX_PATH + 1] = {};
  if (GetTempFileNameW(Wide(folder).c_str(), Wide(prefix).c_str(), 0, name) == 0) {
    throw LastErrorFailure();
  }
  return Utf8(name);
}

std::unique_ptr<platform::LineWriter> Win32Files::OpenAppend(std::string_view path) {
  FILE* file = _wfopen(Wide(path).c_str(), L"ab");
  if (file == nullptr) throw Failure::PathFileAccess();
  return std::make_unique<BufferedWriter>(file);
}

void Win32Files::Copy(std::string_view from, std::string_view to) {
  if (!CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE)) throw LastErrorFailure();
}

void Win32Files::Replace(std::string_view from, std::string_view to) {
  if (!MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw LastErrorFailure();
  }
}

void Win32Files::Remove(std::string_view path) {
  if (!DeleteFileW(Wide(path).c_str())) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) throw Win32Failure(error);
  }
}

bool Win32Files::FileExists(std::string_view path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Files::FolderExists(std::string_view path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::string> Win32Files::ReadAll(std::string_view path) {
  const FileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[1 << 14];
  DWORD read = 0;
  for (;;) {
    // Half a file is no file: a caller that rewrites it would lose the rest.
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return std::nullopt;
    if (read == 0) return bytes;
    bytes.append(buffer, read);
  }
}

bool Win32Files::WriteAll(std::string_view path, std::string_view bytes) {
  // Written beside the target and renamed over it, so a failed write never
  // leaves half a settings file. The name carries the process id: another
  // copy of the program writing the same file at once has its own.
  const std::string temp = std::string(path) + "." + std::to_string(GetCurrentProcessId()) + ".new";
  {
    FileHandle file(CreateFileW(Wide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
      file.reset();
      DeleteFileW(Wide(temp).c_str());
      return false;
    }
  }
  if (!MoveFileExW(Wide(temp).c_str(), Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(Wide(temp).c_str());
    return false;
  }
  return true;
}

}  // namespace norvale::win32
