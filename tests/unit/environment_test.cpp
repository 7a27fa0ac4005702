#include "collectors/software/environment.h"

#include <gtest/gtest.h>

#include "tests/unit/world.h"

namespace norvale {
namespace {

using testing::Rows;
using testing::World;

TEST(GetEnvironment, RowsPerEntry) {
  struct Case {
    const char* name;
    std::vector<std::string> block;
    Rows want;
  } cases[] = {
      {"plain",
       {"PATH=C:\\Windows", "TEMP=C:\\Temp"},
       {{"PATH", "C:\\Windows", "", ""}, {"TEMP", "C:\\Temp", "", ""}}},
      {"value with =", {"OPTS=-Da=b=c"}, {{"OPTS", "-Da=b=c", "", ""}}},
      {"empty value", {"EMPTY="}, {{"EMPTY", "", "", ""}}},
      {"drive entry", {"=C:=C:\\Work"}, {{"", "C:=C:\\Work", "", ""}}},
      {"no = is skipped", {"JUNK", "A=1"}, {{"A", "1", "", ""}}},
      {"stops at an empty entry", {"A=1", "", "B=2"}, {{"A", "1", "", ""}}},
      {"nothing", {}, {}},
  };
  for (const auto& c : cases) {
    World w;
    w.m.system.environment = c.block;
    GetEnvironment(w.ctx);
    EXPECT_EQ(w.Cells("Environmental"), c.want) << c.name;
  }
}

TEST(GetEnvironment, AtMostTheFirstFiftyEntries) {
  World w;
  for (int i = 0; i < 60; ++i) w.m.system.environment.push_back("V" + std::to_string(i) + "=x");
  w.m.system.environment[10] = "NOEQUALS";  // counts as one of the fifty
  GetEnvironment(w.ctx);
  const Rows rows = w.Cells("Environmental");
  ASSERT_EQ(rows.size(), 49u);
  EXPECT_EQ(rows.front()[0], "V0");
  EXPECT_EQ(rows.back()[0], "V49");
}

}  // namespace
}  // namespace norvale
