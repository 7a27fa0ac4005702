#pragma once

#include "platform/locale.h"
#include "platform/system.h"

namespace norvale::win32 {

class Win32System : public platform::System {
 public:
  std::string ComputerName() override;
  LocalDateTime Now() override;
  std::string ProgramFolder() override;
  std::string SpecialFolderPath(platform::SpecialFolder folder) override;
  std::string TempFolder() override;
  std::uint32_t ProcessId() override;
  bool IsWow64() override;
  std::optional<platform::VersionRecord> Version() override;
  std::string SystemDirectory() override;
  std::optional<platform::MemoryStatus> GlobalMemoryStatus() override;
  std::optional<platform::DiskSpace> DiskFreeSpace(std::string_view root) override;
  platform::ProcessorInfo SystemInfo() override;
  std::vector<std::string> EnvironmentBlock() override;
  std::string ExpandEnvironmentText(std::string_view text) override;
};

class Win32Locale : public platform::Locale {
 public:
  std::optional<std::string> SystemCountryName() override;
  std::string ShortDate(const Date& date) override;
  std::string TimeText(const TimeOfDay& time) override;
  std::string DecimalSeparator() override;
  std::string ToAnsi(std::string_view utf8) override;
  std::string FromAnsi(std::string_view ansi) override;

 private:
  std::string decimal_separator_;
};

}  // namespace norvale::win32
