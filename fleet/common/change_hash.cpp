#include "fleet/common/change_hash.h"

namespace norvale::fleet {
namespace {

// Odd constants with well-spread bits (from the fractions of pi and e).
constexpr std::uint64_t kMultiplyA = 0x9e3779b97f4a7c15;
constexpr std::uint64_t kMultiplyB = 0xc2b2ae3d27d4eb4f;
constexpr std::uint64_t kMultiplyC = 0xff51afd7ed558ccd;

constexpr std::uint64_t Rotl(std::uint64_t x, int n) { return (x << n) | (x >> (64 - n)); }

// Every input bit reaches every output bit: a finalising mix whose steps are
// each invertible, so distinct states never meet here.
constexpr std::uint64_t Avalanche(std::uint64_t x) {
  x ^= x >> 33;
  x *= kMultiplyC;
  x ^= x >> 29;
  x *= kMultiplyB;
  x ^= x >> 32;
  return x;
}

}  // namespace

// Two lanes of different steps, each invertible for a given word: one word
// changed changes both lanes, and two messages that meet in one lane seldom
// meet in the other.
void ChangeHash::Word(std::uint64_t word) {
  lane_a_ = Rotl((lane_a_ ^ word) * kMultiplyA, 31) + lane_b_;
  lane_b_ = Rotl((lane_b_ + word) * kMultiplyB, 27) ^ lane_a_;
}

// A text is its length, its whole words, then its last bytes padded with
// zeros to a word (the length tells the padding from the text).
void ChangeHash::Add(std::string_view text) {
  Word(text.size());
  std::size_t at = 0;
  for (; text.size() - at >= 8; at += 8) {
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(text[at + i]);
    Word(word);
  }
  if (at < text.size()) {
    std::uint64_t last = 0;
    for (std::size_t i = text.size(); i > at; --i) {
      last = (last << 8) | static_cast<unsigned char>(text[i - 1]);
    }
    Word(last);
  }
  ++texts_;
}

std::string ChangeHash::HexDigest() {
  // The number of texts ends the message: no text and one empty text differ.
  Word(texts_);
  const std::uint64_t a = Avalanche(lane_a_ + Rotl(lane_b_, 17));
  const std::uint64_t b = Avalanche(lane_b_ ^ Avalanche(lane_a_));
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(32, '0');
  for (int i = 0; i < 16; ++i) {
    out[i] = kHex[(a >> (60 - 4 * i)) & 0xF];
    out[16 + i] = kHex[(b >> (60 - 4 * i)) & 0xF];
  }
  return out;
}

}  // namespace norvale::fleet
