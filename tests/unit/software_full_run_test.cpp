#include <gtest/gtest.h>

#include "core/full_run.h"
#include "tests/unit/software_world.h"

namespace norvale {
namespace {

using testing::SoftwareWorld;

TEST(Showall, SoftwareCollectorsInTheirPlaces) {
  SoftwareWorld w;
  w.m.system.environment = {"A=1"};
  w.m.WriteSettings("[REGISTRY]\r\n01=Asset;HKEY_LOCAL_MACHINE;SOFTWARE\\NorvaleTest;AssetTag\r\n");
  showall(w.ctx);
  std::vector<std::string> sequence;  // Group/Item of each row, repeats folded
  for (const auto& row : w.Rows()) {
    const std::string label = row[0] + "/" + row[1];
    if (sequence.empty() || sequence.back() != label) sequence.push_back(label);
  }
  const std::vector<std::string> want = {"Create/DateTime",  "Soft/Windows",    "Soft/IE",
                                         "Soft/Application", "Environmental/A", "OTHER/REGISTRY"};
  // Other collectors may come between; ours keep this relative order.
  size_t at = 0;
  for (const auto& label : sequence) {
    if (at < want.size() && label == want[at]) ++at;
  }
  EXPECT_EQ(at, want.size()) << ::testing::PrintToString(sequence);
  EXPECT_EQ(sequence.back(), "OTHER/REGISTRY");
}

}  // namespace
}  // namespace norvale
