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

void ChangeHash::Update(std::string_view bytes) {
  std::size_t at = 0;
  // Byte by byte up to a word's boundary, then whole words, then the rest.
  for (; at < bytes.size() && length_ % 8 != 0; ++at) Byte(bytes[at]);
  for (; bytes.size() - at >= 8; at += 8) {
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(bytes[at + i]);
    Word(word);
    length_ += 8;
  }
  for (; at < bytes.size(); ++at) Byte(bytes[at]);
}

void ChangeHash::Byte(char c) {
  const int filled = static_cast<int>(length_ % 8);
  pending_ |= std::uint64_t{static_cast<unsigned char>(c)} << (8 * filled);
  ++length_;
  if (filled == 7) {
    Word(pending_);
    pending_ = 0;
  }
}

void ChangeHash::UpdateSized(std::string_view text) {
  std::uint64_t size = text.size();
  char bytes[8];
  for (char& b : bytes) {
    b = static_cast<char>(size & 0xFF);
    size >>= 8;
  }
  Update(std::string_view(bytes, sizeof bytes));
  Update(text);
}

std::string ChangeHash::HexDigest() {
  // The partial word and the length end the message: "a" and "a\0" differ.
  Word(pending_);
  Word(length_);
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

std::string ChangeHashHex(std::string_view bytes) {
  ChangeHash hash;
  hash.Update(bytes);
  return hash.HexDigest();
}

}  // namespace norvale::fleet
