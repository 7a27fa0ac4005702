#include "core/number_format.h"

#include <gtest/gtest.h>

namespace norvale {
namespace {

TEST(NumberFormat, FixedRoundsHalvesAwayFromZero) {
  struct Case {
    double value;
    int decimals;
    const char* sep;
    const char* want;
  } cases[] = {
      {8469086208.0 / 1048576, 0, ".", "8077"},
      {8589934592.0 / 1048576, 0, ".", "8192"},
      {1000202039296.0 / 1048576 / 1024, 1, ".", "931.5"},
      {128.0, 1, ".", "128.0"},
      {0.0, 1, ".", "0.0"},
      {2.5, 0, ".", "3"},
      {-2.5, 0, ".", "-3"},
      {0.25, 1, ".", "0.3"},
      {931.5, 1, ",", "931,5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatFixed(c.value, c.decimals, c.sep), c.want) << c.value;
  }
}

TEST(NumberFormat, ShortestUsesFifteenSignificantDigits) {
  EXPECT_EQ(FormatShortest(931.5 - 800.2, "."), "131.3");
  EXPECT_EQ(FormatShortest(120.0 - 100.0, "."), "20");
  EXPECT_EQ(FormatShortest(8077 - 3021, "."), "5056");
  EXPECT_EQ(FormatShortest(0.1 + 0.2, ","), "0,3");
  EXPECT_EQ(FormatShortest(-0.0, "."), "0");
  EXPECT_EQ(FormatShortest(1e15, "."), "1E+15");
}

TEST(NumberFormat, ParseAcceptsOnlyPlainDecimals) {
  struct Case {
    const char* text;
    std::optional<double> want;
  } cases[] = {
      {"30", 30},   {" 2.5 ", 2.5}, {"-1", -1},  {"+7", 7},    {".5", 0.5},
      {"5.", 5},    {"abc", {}},    {"", {}},    {"1e3", {}},  {"1.2.3", {}},
      {"&H10", {}}, {"-", {}},      {"1 2", {}}, {"0x10", {}}, {"\t4\t", 4},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseNumber(c.text), c.want) << c.text;
}

TEST(NumberFormat, ToInt32RoundsHalfToEvenAndGuardsRange) {
  EXPECT_EQ(ToInt32("2.5"), 2);
  EXPECT_EQ(ToInt32("3.5"), 4);
  EXPECT_EQ(ToInt32("-2.5"), -2);
  EXPECT_EQ(ToInt32("2147483647"), 2147483647);
  EXPECT_EQ(ToInt32("2147483647.6"), std::nullopt);
  EXPECT_EQ(ToInt32("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ToInt32("99999999999"), std::nullopt);
  EXPECT_EQ(ToInt32("x"), std::nullopt);
}

}  // namespace
}  // namespace norvale
