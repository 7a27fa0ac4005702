#include "collectors/hardware/drives.h"

#include <optional>
#include <vector>

#include "core/number_format.h"
#include "core/recording.h"
#include "core/result_labels.h"
#include "core/ui_texts.h"
#include "core/utf.h"

namespace norvale {
namespace {

constexpr double kTwoTo32 = 4294967296.0;

double BytesToGigabytes(std::uint64_t bytes) {
  const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes & 0xFFFFFFFFu));
  const auto high = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes >> 32));
  return LargeToDouble(low, high) / 1024 / 1024 / 1024;
}

// The mapped share as the drive list has always shown it: \\server\share
// with its doubled backslashes made single.
std::string SingleBackslashes(std::string_view share) {
  std::string out;
  for (size_t i = 0; i < share.size(); ++i) {
    out += share[i];
    if (share[i] == '\\' && i + 1 < share.size() && share[i + 1] == '\\') ++i;
  }
  return out;
}

std::string TypeName(Context& ctx, std::uint32_t type, const std::string& root) {
  switch (type) {
    case platform::kDriveRemovable:
      return kDriveTypeRemovable;
    case platform::kDriveFixed:
      return kDriveTypeFixed;
    case platform::kDriveRemote:
      return SingleBackslashes(ctx.os.hardware.NetworkShareName(root));
    case platform::kDriveCdrom:
      return kDriveTypeCdrom;
    case platform::kDriveRamdisk:
      return kDriveTypeRamdisk;
    default:
      return kDriveTypeUnknown;
  }
}

// The roots in list order. Each entry ends at its NUL, so a malformed list can
// never make the walk read past its end.
std::vector<std::string> Roots(std::string_view drive_strings) {
  std::vector<std::string> roots;
  size_t at = 0;
  while (at < drive_strings.size() && drive_strings[at] != '\0') {
    size_t end = drive_strings.find('\0', at);
    if (end == std::string_view::npos) end = drive_strings.size();
    roots.push_back(UpperAscii(drive_strings.substr(at, end - at)));
    at = end + 1;
  }
  return roots;
}

}  // namespace

double LargeToDouble(std::int32_t low, std::int32_t high) {
  double low_part = low;
  double high_part = high;
  if (low_part < 0) low_part += kTwoTo32;
  if (high_part < 0) high_part += kTwoTo32;
  return high_part * kTwoTo32 + low_part;
}

std::string GetDriveStrings(Context& ctx) { return ctx.os.hardware.LogicalDriveStrings(); }

void ListDrives(Context& ctx, std::string_view drive_strings) {
  Guarded(ctx, kGroupHard, kModuleDrive, [&] {
    const std::string separator = ctx.os.locale.DecimalSeparator();
    for (const std::string& root : Roots(drive_strings)) {
      const std::uint32_t type = ctx.os.hardware.DriveType(root);
      const bool sized = type == platform::kDriveFixed || type == platform::kDriveRemote;
      double total = 0;
      double free = 0;
      if (sized) {
        if (const auto space = ctx.os.system.DiskFreeSpace(root)) {
          total = BytesToGigabytes(space->total);
          free = BytesToGigabytes(space->total_free);
        }
      }
      const std::string item = root + TypeName(ctx, type, root);

      const char* sub_items[3] = {ctx.Label(kLabelTotal), ctx.Label(kLabelFree),
                                  ctx.Label(kLabelDriveType)};
      if (sized) {
        // A volume that cannot be asked (a disconnected share) shows no file system.
        const std::string file_system = ctx.os.hardware.VolumeFileSystem(root).value_or("");
        const std::string contents[3] = {FormatFixed(total, 1, separator),
                                         FormatFixed(free, 1, separator), file_system};
        const char* units[3] = {kUnitGigabytes, kUnitGigabytes, ""};
        for (int i = 0; i < 3; ++i) {
          RecordRow(ctx, std::string(kGroupHard), item, std::string(sub_items[i]), contents[i],
                    std::string(units[i]));
        }
      } else {
        for (const char* sub_item : sub_items) {
          RecordRow(ctx, std::string(kGroupHard), item, std::string(sub_item),
                    std::string(kContentsNoSize), std::string());
        }
      }
    }
  });
}

void GetDriveList(Context& ctx) {
  Guarded(ctx, kGroupHard, kModuleDrive, [&] {
    const std::string drive_strings = GetDriveStrings(ctx);
    if (drive_strings.empty()) {
      ctx.os.ui.ShowMessage(kMessageNoDrives, platform::MessageIcon::kCritical);
      return;
    }
    ListDrives(ctx, drive_strings);
  });
}

}  // namespace norvale
