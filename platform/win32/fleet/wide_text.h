// What the Windows implementations of the fleet's OS layer share: UTF-8 to
// and from UTF-16, the system's text of an error, and paths in the form that
// has no length limit.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace norvale::fleet::win32 {

// Unpaired surrogates and bytes that are no UTF-8 become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// The system's description of a Win32 error code, on one line.
std::string SystemMessage(DWORD error);

// The full path of `path` in its extended form (\\?\C:\... or
// \\?\UNC\server\share\...), which has no MAX_PATH limit and takes names
// such as CON or "a." literally. Relative paths and "/" are resolved first.
std::wstring ExtendedPath(const std::string& path);

// Owns a handle from CreateFileW (INVALID_HANDLE_VALUE when empty).
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace norvale::fleet::win32
