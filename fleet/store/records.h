// What the store keeps of one result file: its lines as facts.
#pragma once

#include <string>

namespace norvale::fleet {

// One line of a result file as written, with the line it starts on.
struct Fact {
  int line = 0;
  std::string category, item, subitem, contents, unit;
};

}  // namespace norvale::fleet
