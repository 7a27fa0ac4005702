#include <gtest/gtest.h>

#include "app/menu_commands.h"
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

TEST(ViewCommands, SoftwareCategoriesRunTheirCollectorAlone) {
  struct Case {
    platform::MenuItem item;
    std::vector<std::string> groups;  // Group/Item of each row
  } cases[] = {
      {platform::MenuItem::kShowSoft, {"Soft/Windows", "Soft/Windows", "Soft/Windows", "Soft/IE"}},
      {platform::MenuItem::kShowApp, {"Soft/Application", "Soft/Application", "Soft/Application"}},
      {platform::MenuItem::kShowEnv, {"Environmental/A", "Environmental/B"}},
  };
  for (const auto& c : cases) {
    SoftwareWorld w;
    w.m.system.environment = {"A=1", "B=2"};
    for (const ViewCategory& category : ViewCategories()) {
      if (category.item == c.item) RunViewCategory(w.ctx, c.item, category.collectors);
    }
    std::vector<std::string> groups;
    for (const auto& row : w.Rows()) groups.push_back(row[0] + "/" + row[1]);
    EXPECT_EQ(groups, c.groups);
  }
}

}  // namespace
}  // namespace norvale
