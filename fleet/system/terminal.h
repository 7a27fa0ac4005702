// What the fleet tool needs to know about the console it prints to.
#pragma once

#include <cstddef>

namespace norvale::fleet {

// The columns of the terminal standard output goes to; 0 when it goes to a
// file or a pipe (or the width is not known), where lines are never cut.
std::size_t StdoutTerminalWidth();

}  // namespace norvale::fleet
