// The hash that tells a changed fact group: a collision hides a change from
// the change list, a digest that depends on how the text was fed in shows a
// change that never happened.
#include "fleet/common/change_hash.h"

#include <gtest/gtest.h>

#include <bitset>
#include <set>
#include <string>
#include <vector>

namespace norvale::fleet::testing {
namespace {

std::string Digest(const std::vector<std::string>& texts) {
  ChangeHash hash;
  for (const std::string& text : texts) hash.Add(text);
  return hash.HexDigest();
}
std::string ChangeHashHex(const std::string& text) { return Digest({text}); }

int DifferingBits(const std::string& a, const std::string& b) {
  int bits = 0;
  for (std::size_t i = 0; i < a.size(); i += 16) {
    const auto x = std::stoull(a.substr(i, 16), nullptr, 16);
    const auto y = std::stoull(b.substr(i, 16), nullptr, 16);
    bits += static_cast<int>(std::bitset<64>(x ^ y).count());
  }
  return bits;
}

TEST(ChangeHash, TextsThatMustNotMeet) {
  const std::string zero(1, '\0');
  struct Case {
    const char* name;
    std::vector<std::string> a, b;
  } cases[] = {
      {"split at another place", {"ab", "c"}, {"a", "bc"}},
      {"an empty text moved", {"", "x"}, {"x", ""}},
      {"a trailing zero byte", {"a"}, {"a" + zero}},
      {"zero bytes that fill a word", {"abcdefg"}, {"abcdefg" + zero}},
      {"an empty text and a zero byte", {""}, {zero}},
      {"one text and none", {""}, {}},
      {"a word and a byte more", {"12345678"}, {"123456789"}},
      {"two words swapped", {"abcdefgh", "ijklmnop"}, {"ijklmnop", "abcdefgh"}},
      {"the last byte of a long text",
       {std::string(100, 'x') + "1"},
       {std::string(100, 'x') + "2"}},
      {"Japanese text", {"空容量"}, {"空き容量"}},
  };
  for (const Case& c : cases) EXPECT_NE(Digest(c.a), Digest(c.b)) << c.name;
}

// Texts of every length across a few words, each with its last byte
// changed: the bytes past the last whole word count as much as the others.
TEST(ChangeHash, EveryByteOfEveryLengthCounts) {
  std::set<std::string> seen;
  for (std::size_t length = 0; length <= 40; ++length) {
    const std::string text =
        std::string("0123456789abcdefghijklmnopqrstuvwxyzABCD").substr(0, length);
    EXPECT_TRUE(seen.insert(ChangeHashHex(text)).second) << length;
    if (length == 0) continue;
    std::string changed = text;
    changed.back() = '#';
    EXPECT_TRUE(seen.insert(ChangeHashHex(changed)).second) << length;
  }
  // The same digest for the same texts: a run compared with itself shows nothing.
  EXPECT_EQ(Digest({"Soft", "Agent", "4.2"}), Digest({"Soft", "Agent", "4.2"}));
}

TEST(ChangeHash, DigestIsThirtyTwoLowerCaseHexDigits) {
  for (const std::string& text :
       std::vector<std::string>{"", "a", "12345678", std::string(1000, 'z')}) {
    const std::string digest = ChangeHashHex(text);
    EXPECT_EQ(digest.size(), 32u) << text;
    EXPECT_EQ(digest.find_first_not_of("0123456789abcdef"), std::string::npos) << digest;
  }
}

// One bit flipped anywhere changes about half the digest's bits, in both
// halves: a weak mix would let similar facts (figures a digit apart) meet.
TEST(ChangeHash, OneBitChangesAboutHalfTheDigest) {
  const std::string base = "Hard\tPhysicalMemory\tTotal\t8077\tMB 2026/12/01";
  const std::string digest = ChangeHashHex(base);
  int total = 0, flips = 0;
  for (std::size_t byte = 0; byte < base.size(); ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string changed = base;
      changed[byte] = static_cast<char>(changed[byte] ^ (1 << bit));
      const std::string other = ChangeHashHex(changed);
      const int low = DifferingBits(digest.substr(0, 16), other.substr(0, 16));
      const int high = DifferingBits(digest.substr(16), other.substr(16));
      EXPECT_GE(low, 12) << "byte " << byte << " bit " << bit;
      EXPECT_GE(high, 12) << "byte " << byte << " bit " << bit;
      total += low + high;
      ++flips;
    }
  }
  EXPECT_NEAR(static_cast<double>(total) / flips, 64.0, 4.0);
}

// Many short, similar texts (figures): no two share even half a digest.
TEST(ChangeHash, SimilarTextsKeepDistinctHalves) {
  std::set<std::string> low, high;
  const int count = 200000;
  for (int i = 0; i < count; ++i) {
    const std::string digest = Digest({"Free", std::to_string(i), "MB"});
    low.insert(digest.substr(0, 16));
    high.insert(digest.substr(16));
  }
  EXPECT_EQ(low.size(), static_cast<std::size_t>(count));
  EXPECT_EQ(high.size(), static_cast<std::size_t>(count));
}

}  // namespace
}  // namespace norvale::fleet::testing
