#include "collectors/software/environment.h"

#include <gtest/gtest.h>

#include "tests/unit/software_world.h"

namespace norvale {
namespace {

using testing::Rows;
using testing::SoftwareWorld;

TEST(GetEnvironment, RowsPerEntry) {
  struct Case {
    const char* name;
    std::vector<std::string> block;
    Rows want;
  } cases[] = {
      {"plain",
       {"PATH=C:\\Windows", "TEMP=C:\\Temp"},
       {{"Environmental", "PATH", "C:\\Windows", "", ""},
        {"Environmental", "TEMP", "C:\\Temp", "", ""}}},
      {"value with =", {"OPTS=-Da=b=c"}, {{"Environmental", "OPTS", "-Da=b=c", "", ""}}},
      {"empty value", {"EMPTY="}, {{"Environmental", "EMPTY", "", "", ""}}},
      {"drive entry", {"=C:=C:\\Work"}, {{"Environmental", "", "C:=C:\\Work", "", ""}}},
      {"no = is skipped", {"JUNK", "A=1"}, {{"Environmental", "A", "1", "", ""}}},
      {"stops at an empty entry", {"A=1", "", "B=2"}, {{"Environmental", "A", "1", "", ""}}},
      {"nothing", {}, {}},
  };
  for (const auto& c : cases) {
    SoftwareWorld w(false);
    w.m.system.environment = c.block;
    GetEnvironment(w.ctx);
    EXPECT_EQ(w.Rows(), c.want) << c.name;
  }
}

TEST(GetEnvironment, AtMostTheFirstFiftyEntries) {
  SoftwareWorld w(false);
  for (int i = 0; i < 60; ++i) w.m.system.environment.push_back("V" + std::to_string(i) + "=x");
  w.m.system.environment[10] = "NOEQUALS";  // counts as one of the fifty
  GetEnvironment(w.ctx);
  const Rows rows = w.Rows();
  ASSERT_EQ(rows.size(), 49u);
  EXPECT_EQ(rows.front()[1], "V0");
  EXPECT_EQ(rows.back()[1], "V49");
}

}  // namespace
}  // namespace norvale
