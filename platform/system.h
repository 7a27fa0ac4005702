// Facts the kernel and the shell answer: names, versions, memory, disks,
// environment, folders, time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace norvale::platform {

// The OSVERSIONINFOEX record.
struct VersionRecord {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platform_id = 0;
  std::string csd_version;
  std::uint16_t service_pack_major = 0;
  std::uint16_t service_pack_minor = 0;
  std::uint16_t suite_mask = 0;
  std::uint8_t product_type = 0;
  // False when Windows answered only the short record (before NT 4.0 SP6):
  // then the service-pack numbers, suite mask and product type mean nothing.
  bool extended_valid = true;
};

struct MemoryStatus {
  std::uint64_t total_phys = 0;
  std::uint64_t avail_phys = 0;
  std::uint64_t total_page_file = 0;
  std::uint64_t avail_page_file = 0;
};

struct DiskSpace {
  std::uint64_t free_to_caller = 0;
  std::uint64_t total = 0;
  std::uint64_t total_free = 0;
};

struct ProcessorInfo {
  std::uint32_t number_of_processors = 0;
  std::uint16_t level = 0;
  std::uint16_t revision = 0;
};

enum class SpecialFolder { kFonts, kDesktop };

class System {
 public:
  virtual ~System() = default;

  // The NetBIOS computer name.
  virtual std::string ComputerName() = 0;
  virtual LocalDateTime Now() = 0;
  // The folder that holds the program file, without a trailing backslash.
  virtual std::string ProgramFolder() = 0;
  // The font folder is empty when the shell cannot say; a desktop folder
  // the shell cannot find throws Failure.
  virtual std::string SpecialFolderPath(SpecialFolder folder) = 0;
  // The Windows temporary folder; throws Failure when it cannot be found.
  virtual std::string TempFolder() = 0;
  // The id of this process, to keep temporary names apart from those of
  // another copy of the program running at the same time.
  virtual std::uint32_t ProcessId() = 0;
  // True for a 32-bit process on 64-bit Windows.
  virtual bool IsWow64() = 0;

  virtual std::optional<VersionRecord> Version() = 0;
  virtual std::string SystemDirectory() = 0;
  virtual std::optional<MemoryStatus> GlobalMemoryStatus() = 0;
  virtual std::optional<DiskSpace> DiskFreeSpace(std::string_view root) = 0;
  virtual ProcessorInfo SystemInfo() = 0;
  // "NAME=value" entries of the process environment block, in order.
  virtual std::vector<std::string> EnvironmentBlock() = 0;
  // `text` with every %NAME% of a defined variable replaced by its value;
  // undefined ones stay as written (ExpandEnvironmentStrings).
  virtual std::string ExpandEnvironmentText(std::string_view text) = 0;
};

}  // namespace norvale::platform
