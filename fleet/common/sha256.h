// SHA-256 of a file's bytes: the content hash that tells a new run from a reload.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace norvale::fleet {

class Sha256 {
 public:
  Sha256();
  void Update(std::string_view bytes);
  // Lower-case hex digest; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Block(const unsigned char* block);
  std::array<std::uint32_t, 8> state_;
  unsigned char buffer_[64];
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

std::string Sha256Hex(std::string_view bytes);

}  // namespace norvale::fleet
