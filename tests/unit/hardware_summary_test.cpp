#include "collectors/hardware/hardware_summary.h"

#include <gtest/gtest.h>

#include "tests/unit/world.h"

namespace norvale {
namespace {

using platform::RegRoot;
using testing::Rows;

constexpr char kCpuKey[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr std::uint64_t kMiB = 1048576;
constexpr std::uint64_t kGiB = 1073741824;

struct Machine : testing::World {
  Machine() {
    m.system.memory =
        platform::MemoryStatus{8469086208, 3021 * kMiB, 8589934592, 4096 * kMiB + kMiB / 2};
    m.system.disks["C:\\"] = {1, 1000202039296, 859207529267};
    m.system.processor = {8, 6, 0x9E0A};
    m.registry.SetString(RegRoot::kLocalMachine, kCpuKey, "ProcessorNameString",
                         "   Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz  ");
    m.registry.SetString(RegRoot::kLocalMachine, kCpuKey, "VendorIdentifier", "GenuineIntel");
    m.registry.SetDword(RegRoot::kLocalMachine, kCpuKey, "~MHz", 3192);
  }
  // The rows of a run, in the one shape.
  Rows Run() {
    GetHardware(ctx);
    return Cells("Hard");
  }
};

TEST(GetHardware, RecordsTheEighteenRowsInOrder) {
  Machine machine;
  const std::string cpu = "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz";
  EXPECT_EQ(machine.Run(), (Rows{
                               {"Screen", "Resolution", "1920 x 1080 32 Bit", ""},
                               {"PhysicalMemory", "Total", "8077", "MB"},
                               {"PhysicalMemory", "Free", "3021", "MB"},
                               {"PhysicalMemory", "Use", "5056", "MB"},
                               {"Pagefile", "Total", "8192", "MB"},
                               {"Pagefile", "Free", "4097", "MB"},  // 4096.5 rounds away from zero
                               {"Pagefile", "Use", "4095", "MB"},
                               {"SystemHDD", "Total", "931.5", "GB"},
                               {"SystemHDD", "Free", "800.2", "GB"},
                               {"SystemHDD", "Use", "131.3", "GB"},
                               {"CPU", "Name", cpu, ""},
                               {"CPU", "Clock", "3192", "MHz"},
                               {"CPU", "ID", "GenuineIntel", ""},
                               {"CPU", "Number of processors", "8", ""},
                               {"CPU", "NameString", cpu, ""},
                               {"CPU", "Family", "6", ""},
                               {"CPU", "Model", "158", ""},
                               {"CPU", "Stepping", "10", ""},
                           }));
}

TEST(GetHardware, NumberFormats) {
  struct Case {
    const char* name;
    std::optional<platform::MemoryStatus> memory;
    std::optional<platform::DiskSpace> disk;
    std::string separator;
    std::uint16_t revision;
    // Contents of rows 2 to 10, then Model and Stepping.
    std::vector<std::string> want;
  } cases[] = {
      {"whole GiB disk, whole difference",
       platform::MemoryStatus{8589934592, 1, 0, 0},
       platform::DiskSpace{0, 128 * kGiB, 32 * kGiB},
       ".",
       0x0F0B,
       {"8192", "0", "8192", "0", "0", "0", "128.0", "32.0", "96", "15", "11"}},
      {"comma decimal separator",
       platform::MemoryStatus{8469086208, 3021 * kMiB, 8589934592, kMiB / 2 - 1},
       platform::DiskSpace{0, 1000202039296, 859207529267},
       ",",
       0x9E0A,
       {"8077", "3021", "5056", "8192", "0", "8192", "931,5", "800,2", "131,3", "158", "10"}},
      {"failed memory and disk calls",
       std::nullopt,
       std::nullopt,
       ".",
       0xFFFF,
       {"", "", "0", "", "", "0", "0", "0", "0", "255", "255"}},
      {"tenths rounded half away from zero",
       platform::MemoryStatus{kMiB + kMiB / 2, kMiB / 2, 0, 0},
       platform::DiskSpace{0, kGiB + kGiB / 4, kGiB / 4},
       ".",
       0x0000,
       {"2", "1", "1", "0", "0", "0", "1.3", "0.3", "1", "0", "0"}},
  };
  for (const auto& c : cases) {
    Machine machine;
    machine.m.system.memory = c.memory;
    machine.m.system.disks.clear();
    if (c.disk) machine.m.system.disks["C:\\"] = *c.disk;
    machine.m.locale.decimal_separator = c.separator;
    machine.m.system.processor.revision = c.revision;
    const Rows rows = machine.Run();
    ASSERT_EQ(rows.size(), 18u) << c.name;
    std::vector<std::string> got;
    for (int i = 1; i <= 9; ++i) got.push_back(rows[i][2]);
    got.push_back(rows[16][2]);
    got.push_back(rows[17][2]);
    EXPECT_EQ(got, c.want) << c.name;
    EXPECT_TRUE(machine.m.ui.messages.empty()) << c.name;
  }
}

TEST(GetHardware, LabelsFollowTheLanguageExactly) {
  struct Case {
    std::string language;
    bool japanese;
  } cases[] = {{"JAPAN", true}, {"japan", false}, {"", false}, {"United States", false}};
  const Rows japanese = {{"画面", "解像度"},           {"メモリ", "全容量"},
                         {"メモリ", "空容量"},         {"メモリ", "使用量"},
                         {"ページファイル", "全容量"}, {"ページファイル", "空容量"},
                         {"ページファイル", "使用量"}, {"SystemHDD", "全容量"},
                         {"SystemHDD", "空容量"},      {"SystemHDD", "使用量"}};
  const Rows english = {{"Screen", "Resolution"},   {"PhysicalMemory", "Total"},
                        {"PhysicalMemory", "Free"}, {"PhysicalMemory", "Use"},
                        {"Pagefile", "Total"},      {"Pagefile", "Free"},
                        {"Pagefile", "Use"},        {"SystemHDD", "Total"},
                        {"SystemHDD", "Free"},      {"SystemHDD", "Use"}};
  for (const auto& c : cases) {
    Machine machine;
    machine.ctx.main.country = c.language;
    const Rows rows = machine.Run();
    ASSERT_EQ(rows.size(), 18u);
    Rows labels;
    for (const auto& row : rows) labels.push_back({row[0], row[1]});
    const Rows& want = c.japanese ? japanese : english;
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(labels[i], want[i]) << c.language << i;
    // The processor rows are English in both languages.
    EXPECT_EQ(labels[13], (std::vector<std::string>{"CPU", "Number of processors"}));
  }
}

TEST(GetHardware, MissingProcessorValuesGiveEmptyContents) {
  Machine machine;
  machine.m.registry.DeleteKey(RegRoot::kLocalMachine, kCpuKey);
  const Rows rows = machine.Run();
  ASSERT_EQ(rows.size(), 18u);
  for (int i : {10, 11, 12, 14}) EXPECT_EQ(rows[i][2], "") << i;
  EXPECT_EQ(rows[11][3], "MHz");
}

TEST(GetHardware, FailureWhileGatheringLeavesOnlyTheErrorRow) {
  Machine machine;
  machine.m.hardware.screen_failure = Failure(1400, "Invalid window handle.");
  EXPECT_EQ(machine.Run(), (Rows{{"error", "mHard", "1400", "Invalid window handle."}}));
}

}  // namespace
}  // namespace norvale
