#include "fleet/system/console.h"

#include <unistd.h>

#include <iostream>

namespace norvale::fleet {

void PrepareConsole() { std::ios::sync_with_stdio(false); }

std::ostream& StandardOutput(StandardStream stream) {
  return stream == StandardStream::kOut ? std::cout : std::cerr;
}

bool IsTerminal(StandardStream stream) {
  return isatty(stream == StandardStream::kOut ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

bool HasConsoleOfItsOwn() { return false; }

void WaitForKeyPress() {}

}  // namespace norvale::fleet
