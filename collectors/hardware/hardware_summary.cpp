#include "collectors/hardware/hardware_summary.h"

#include <cstdint>
#include <string>

#include "collectors/software/registry_access.h"
#include "core/number_format.h"
#include "core/recording.h"
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

std::string ProcessorValue(Context& ctx, const char* name, int kind) {
  return TrimmedText(
      ReadRegValue(ctx, RegRoot::kLocalMachine, kProcessorKey, name, kind, std::string()));
}

struct Row {
  const char* item_ja;
  const char* item_en;
  const char* sub_ja;
  const char* sub_en;
  Value contents;
  const char* unit;
};

}  // namespace

void GetHardware(Context& ctx) {
  Guarded(ctx, "Hard", "mHard", [&] {
    const std::string separator = ctx.os.locale.DecimalSeparator();

    const platform::ScreenSize screen = ctx.os.hardware.PrimaryScreenSize();
    const int depth = ctx.os.hardware.ColorDepth();
    const std::string resolution = std::to_string(screen.width) + " x " +
                                   std::to_string(screen.height) + " " + std::to_string(depth) +
                                   " Bit";

    // A failed memory call leaves the figures empty; it is not an error.
    Value mem_total = std::string(), mem_free = std::string();
    Value page_total = std::string(), page_free = std::string();
    if (const auto memory = ctx.os.system.GlobalMemoryStatus()) {
      mem_total = Megabytes(memory->total_phys, separator);
      mem_free = Megabytes(memory->avail_phys, separator);
      page_total = Megabytes(memory->total_page_file, separator);
      page_free = Megabytes(memory->avail_page_file, separator);
    }

    // A failed disk call shows plain zeros.
    Value disk_total = 0.0, disk_free = 0.0;
    if (const auto disk = ctx.os.system.DiskFreeSpace("c:\\")) {
      disk_total = Gigabytes(disk->total, separator);
      disk_free = Gigabytes(disk->total_free, separator);
    }

    const std::string name = ProcessorValue(ctx, "ProcessorNameString", kRegKindText);
    const std::string vendor = ProcessorValue(ctx, "VendorIdentifier", kRegKindText);
    const std::string clock = ProcessorValue(ctx, "~MHz", kRegKindNumber);

    const platform::ProcessorInfo cpu = ctx.os.system.SystemInfo();
    const std::int64_t model = (cpu.revision >> 8) & 0xFF;
    const std::int64_t stepping = cpu.revision & 0xFF;

    const Row rows[] = {
        {"画面", "Screen", "解像度", "Resolution", resolution, ""},
        {"メモリ", "PhysicalMemory", "全容量", "Total", mem_total, "MB"},
        {"メモリ", "PhysicalMemory", "空容量", "Free", mem_free, "MB"},
        {"メモリ", "PhysicalMemory", "使用量", "Use", Use(mem_total, mem_free, separator), "MB"},
        {"ページファイル", "Pagefile", "全容量", "Total", page_total, "MB"},
        {"ページファイル", "Pagefile", "空容量", "Free", page_free, "MB"},
        {"ページファイル", "Pagefile", "使用量", "Use", Use(page_total, page_free, separator),
         "MB"},
        {"SystemHDD", "SystemHDD", "全容量", "Total", disk_total, "GB"},
        {"SystemHDD", "SystemHDD", "空容量", "Free", disk_free, "GB"},
        {"SystemHDD", "SystemHDD", "使用量", "Use", Use(disk_total, disk_free, separator), "GB"},
        {"CPU", "CPU", "Name", "Name", name, ""},
        {"CPU", "CPU", "Clock", "Clock", clock, "MHz"},
        {"CPU", "CPU", "ID", "ID", vendor, ""},
        {"CPU", "CPU", "Number of processors", "Number of processors",
         std::int64_t{cpu.number_of_processors}, ""},
        {"CPU", "CPU", "NameString", "NameString", name, ""},
        {"CPU", "CPU", "Family", "Family", std::int64_t{cpu.level}, ""},
        {"CPU", "CPU", "Model", "Model", model, ""},
        {"CPU", "CPU", "Stepping", "Stepping", stepping, ""},
    };
    for (const Row& row : rows) {
      RecordRow(ctx, std::string("Hard"), std::string(ctx.Label(row.item_ja, row.item_en)),
                std::string(ctx.Label(row.sub_ja, row.sub_en)), row.contents,
                std::string(row.unit));
    }
  });
}

}  // namespace norvale
