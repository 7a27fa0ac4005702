#include "core/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

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

TEST(NumberFormat, FixedKeepsItsPromiseAtAnyWidth) {
  struct Case {
    double value;
    int decimals;
    std::string want;
  } cases[] = {
      // 2^-21 ends in a 5 at the 21st decimal: a true half, taken away from zero.
      {0.000000476837158203125, 20, "0.00000047683715820313"},
      {-0.000000476837158203125, 20, "-0.00000047683715820313"},
      {0.000000476837158203125, 21, "0.000000476837158203125"},
      {1.0, 25, "1." + std::string(25, '0')},
      {-0.0000000000000000000001, 20, "0.00000000000000000000"},
      {9.99999999999999999999, 19, "10.0000000000000000000"},
      // Large enough that scaling by the decimals passes infinity.
      {1e300, 18, "1" + std::string(300, '0') + "." + std::string(18, '0')},
      {-1e300, 1, "-1" + std::string(300, '0') + ".0"},
      {4294967296.0 * 4294967296.0, 0, "18446744073709551616"},
  };
  for (const Case& c : cases) {
    const std::string got = FormatFixed(c.value, c.decimals, ".");
    // The exact binary value of 1e300 is not all zeros after its first digit.
    if (std::fabs(c.value) >= 1e300) {
      EXPECT_EQ(got.size(), c.want.size()) << c.value;
      EXPECT_EQ(got.substr(got.size() - static_cast<size_t>(c.decimals) - 1),
                c.want.substr(c.want.size() - static_cast<size_t>(c.decimals) - 1));
    } else {
      EXPECT_EQ(got, c.want) << c.value << " with " << c.decimals;
    }
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

TEST(NumberFormat, ParseTakesLongDecimals) {
  struct Case {
    std::string text;
    std::optional<double> want;
  } cases[] = {
      {"3.14159265358979323846264338327950288", 3.141592653589793},
      {"0." + std::string(400, '0') + "1", 0.0},
      {"-0." + std::string(400, '0') + "1", -0.0},
      {"000" + std::string(330, '0') + ".5", 0.5},
      {std::string(30, '1'), 111111111111111111111111111111.0},
      {"1" + std::string(400, '0'), std::nullopt},  // beyond any double
      {"1" + std::string(400, '0') + ".0", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseNumber(c.text), c.want) << c.text.substr(0, 20);
  }
  EXPECT_TRUE(std::signbit(*ParseNumber("-0." + std::string(400, '0') + "1")));
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
