// Files: the settings file, the temporary result file, copies and versions.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace norvale::platform {

// An open file that lines are appended to.
class LineWriter {
 public:
  virtual ~LineWriter() = default;
  // Appends the bytes as they are; throws Failure when the write fails.
  virtual void Write(std::string_view bytes) = 0;
  // Flushes and closes; throws Failure when the data cannot be written.
  virtual void Close() = 0;
};

class Files {
 public:
  virtual ~Files() = default;
  // Creates a new empty file with a unique name in `folder` whose name starts
  // with the first three characters of `prefix`; returns its path. Throws Failure.
  virtual std::string CreateTempFile(std::string_view folder, std::string_view prefix) = 0;
  virtual std::unique_ptr<LineWriter> OpenAppend(std::string_view path) = 0;
  // Copies, replacing an existing destination. Throws Failure.
  virtual void Copy(std::string_view from, std::string_view to) = 0;
  // Renames `from` to `to`, replacing `to` in one step. Throws Failure.
  virtual void Replace(std::string_view from, std::string_view to) = 0;
  // Throws Failure when the file exists and cannot be removed.
  virtual void Remove(std::string_view path) = 0;
  virtual bool FileExists(std::string_view path) = 0;
  virtual bool FolderExists(std::string_view path) = 0;
  // The whole file as bytes, or nullopt when it cannot be read.
  virtual std::optional<std::string> ReadAll(std::string_view path) = 0;
  // Writes the whole file; false when it cannot be written.
  virtual bool WriteAll(std::string_view path, std::string_view bytes) = 0;
  // The fixed file version of a plain file, "a.b.c.d"; empty text when the
  // file has no version resource. nullopt when there is no such file, or it is
  // a folder, a hidden or a system file.
  // Throws Failure when the file exists but cannot be read (access denied,
  // in use by another program, a network error).
  virtual std::optional<std::string> FileVersion(std::string_view path) = 0;
};

}  // namespace norvale::platform
