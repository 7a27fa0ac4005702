// How often a piece of HTML occurs in a page: the report tests' yardstick.
#pragma once

#include <cstddef>
#include <string>

namespace norvale::fleet::testing {

inline std::size_t CountOf(const std::string& haystack, const std::string& needle) {
  std::size_t n = 0;
  for (auto at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + 1)) {
    ++n;
  }
  return n;
}

}  // namespace norvale::fleet::testing
