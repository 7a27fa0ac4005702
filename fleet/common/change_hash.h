// A fast 128-bit hash that tells whether a text changed between two runs of
// one computer. Not cryptographic: nobody has a reason to forge a collision
// between two runs of their own PC, and a change it missed would only hide
// that change from the change list. Never use it where an adversary picks
// the input (file identity uses SHA-256).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace norvale::fleet {

class ChangeHash {
 public:
  void Update(std::string_view bytes);
  // The text's length, then the text: "ab" + "c" and "a" + "bc" differ.
  void UpdateSized(std::string_view text);
  // 32 lower-case hex digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Word(std::uint64_t word);
  void Byte(char c);
  std::uint64_t lane_a_ = 0x243f6a8885a308d3, lane_b_ = 0x13198a2e03707344;
  std::uint64_t pending_ = 0;  // bytes not yet a whole word, little-endian
  std::uint64_t length_ = 0;   // bytes taken in all
};

std::string ChangeHashHex(std::string_view bytes);

}  // namespace norvale::fleet
