// A fast 128-bit hash that tells whether a run's texts changed between two
// runs of one computer. Not cryptographic: nobody has a reason to forge a
// collision between two runs of their own PC, and a change it missed would
// only hide that change from the change list. Never use it where an
// adversary picks the input (a file's identity is its SHA-256).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace norvale::fleet {

class ChangeHash {
 public:
  // Takes one text, its length first: "ab" + "c" and "a" + "bc" differ.
  void Add(std::string_view text);
  // 32 lower-case hex digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Word(std::uint64_t word);
  std::uint64_t lane_a_ = 0x243f6a8885a308d3, lane_b_ = 0x13198a2e03707344;
  std::uint64_t texts_ = 0;
};

}  // namespace norvale::fleet
