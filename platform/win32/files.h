#pragma once

#include "platform/files.h"

namespace norvale::win32 {

class Win32Files : public platform::Files {
 public:
  std::string CreateTempFile(std::string_view folder, std::string_view prefix) override;
  std::unique_ptr<platform::LineWriter> OpenAppend(std::string_view path) override;
  void Copy(std::string_view from, std::string_view to) override;
  void Replace(std::string_view from, std::string_view to) override;
  void Remove(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  bool FolderExists(std::string_view path) override;
  std::optional<std::string> ReadAll(std::string_view path) override;
  bool WriteAll(std::string_view path, std::string_view bytes) override;
};

}  // namespace norvale::win32
