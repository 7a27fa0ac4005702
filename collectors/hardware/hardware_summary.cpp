#include "collectors/hardware/hardware_summary.h"

#include <cstdint>
#include <string>
#include <utility>

#include "collectors/common/registry_access.h"
#include "core/number_format.h"
#include "core/recording.h"
#include "core/result_labels.h"
#include "core/utf.h"

namespace norvale {
namespace {

constexpr char kProcessorKey[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr double kBytesPerMegabyte = 1048576.0;

// Exact for every byte count below 2^53: the division is by a power of two.
std::string Megabytes(std::uint64_t bytes, const std::string& separator) {
  return FormatFixed(static_cast<double>(bytes) / kBytesPerMegabyte, 0, separator);
}

std::string Gigabytes(std::uint64_t bytes, const std::string& separator) {
  return FormatFixed(static_cast<double>(bytes) / kBytesPerMegabyte / 1024, 1, separator);
}

// Administrators compare the used amount with the two figures shown beside
// it, so it is computed from those figures, not from the raw byte counts.
double ShownNumber(const Value& shown, const std::string& separator) {
  if (const auto* number = std::get_if<double>(&shown)) return *number;
  const auto* text = std::get_if<std::string>(&shown);
  if (text == nullptr || text->empty()) return 0;
  std::string plain = *text;
  if (separator != ".") {
    const auto at = plain.find(separator);
    if (at != std::string::npos) plain.replace(at, separator.size(), ".");
  }
  const auto number = ParseNumber(plain);
  if (!number) throw Failure::TypeMismatch();
  return *number;
}

double Use(const Value& total, const Value& free, const std::string& separator) {
  return ShownNumber(total, separator) - ShownNumber(free, separator);
}

std::string TrimmedText(const Value& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return TrimSpaces(*text);
  return {};
}

std::string ProcessorValue(Context& ctx, const char* name, RegValueKind kind) {
  return TrimmedText(
      ReadRegValue(ctx, RegRoot::kLocalMachine, kProcessorKey, name, kind, std::string()));
}

// One row of the summary: labels in both languages, the figure and its unit.
struct Row {
  LabelPair item;
  LabelPair sub_item;
  Value contents;
  const char* unit;
};

// A label that reads the same in both languages.
constexpr LabelPair Same(const char* text) { return {text, text}; }

// "1920 x 1080 32 Bit"
std::string ScreenResolution(Context& ctx) {
  const platform::ScreenSize screen = ctx.os.hardware.PrimaryScreenSize();
  const int depth = ctx.os.hardware.ColorDepth();
  return std::to_string(screen.width) + " x " + std::to_string(screen.height) + " " +
         std::to_string(depth) + " Bit";
}

// The system disk's total and free space; a failed disk call shows plain zeros.
std::pair<Value, Value> SystemDiskGigabytes(Context& ctx, const std::string& separator) {
  if (const auto disk = ctx.os.system.DiskFreeSpace("c:\\")) {
    return {Gigabytes(disk->total, separator), Gigabytes(disk->total_free, separator)};
  }
  return {0.0, 0.0};
}

}  // namespace

void GetHardware(Context& ctx) {
  Guarded(ctx, kGroupHard, kModuleHard, [&] {
    const std::string separator = ctx.os.locale.DecimalSeparator();

    const std::string resolution = ScreenResolution(ctx);

    // A failed memory call leaves the figures empty; it is not an error.
    Value mem_total = std::string(), mem_free = std::string();
    Value page_total = std::string(), page_free = std::string();
    if (const auto memory = ctx.os.system.GlobalMemoryStatus()) {
      mem_total = Megabytes(memory->total_phys, separator);
      mem_free = Megabytes(memory->avail_phys, separator);
      page_total = Megabytes(memory->total_page_file, separator);
      page_free = Megabytes(memory->avail_page_file, separator);
    }

    const auto [disk_total, disk_free] = SystemDiskGigabytes(ctx, separator);

    const std::string name = ProcessorValue(ctx, "ProcessorNameString", RegValueKind::kText);
    const std::string vendor = ProcessorValue(ctx, "VendorIdentifier", RegValueKind::kText);
    const std::string clock = ProcessorValue(ctx, "~MHz", RegValueKind::kNumber);

    const platform::ProcessorInfo cpu_info = ctx.os.system.SystemInfo();
    const std::int64_t model = (cpu_info.revision >> 8) & 0xFF;
    const std::int64_t stepping = cpu_info.revision & 0xFF;

    const LabelPair cpu = Same(kItemCpu);
    const Row rows[] = {
        {kLabelScreen, kLabelResolution, resolution, ""},
        {kLabelPhysicalMemory, kLabelTotal, mem_total, kUnitMegabytes},
        {kLabelPhysicalMemory, kLabelFree, mem_free, kUnitMegabytes},
        {kLabelPhysicalMemory, kLabelUse, Use(mem_total, mem_free, separator), kUnitMegabytes},
        {kLabelPagefile, kLabelTotal, page_total, kUnitMegabytes},
        {kLabelPagefile, kLabelFree, page_free, kUnitMegabytes},
        {kLabelPagefile, kLabelUse, Use(page_total, page_free, separator), kUnitMegabytes},
        {kLabelSystemHdd, kLabelTotal, disk_total, kUnitGigabytes},
        {kLabelSystemHdd, kLabelFree, disk_free, kUnitGigabytes},
        {kLabelSystemHdd, kLabelUse, Use(disk_total, disk_free, separator), kUnitGigabytes},
        {cpu, Same(kSubItemCpuName), name, ""},
        {cpu, Same(kSubItemCpuClock), clock, kUnitMegahertz},
        {cpu, Same(kSubItemCpuId), vendor, ""},
        {cpu, Same(kSubItemCpuCount), std::int64_t{cpu_info.number_of_processors}, ""},
        {cpu, Same(kSubItemCpuNameString), name, ""},
        {cpu, Same(kSubItemCpuFamily), std::int64_t{cpu_info.level}, ""},
        {cpu, Same(kSubItemCpuModel), model, ""},
        {cpu, Same(kSubItemCpuStepping), stepping, ""},
    };
    for (const Row& row : rows) {
      RecordRow(ctx, std::string(kGroupHard), std::string(ctx.Label(row.item)),
                std::string(ctx.Label(row.sub_item)), row.contents, std::string(row.unit));
    }
  });
}

}  // namespace norvale
