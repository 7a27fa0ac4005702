#include "fleet/system/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace norvale::fleet {

std::size_t StdoutTerminalWidth() {
  winsize size{};
  if (isatty(STDOUT_FILENO) != 1 || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

}  // namespace norvale::fleet
