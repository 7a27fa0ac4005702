#include "fleet/system/terminal.h"

#include <windows.h>

namespace norvale::fleet {

std::size_t StdoutTerminalWidth() {
  // Fails when standard output is a file or a pipe: no console, no width.
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  // The visible window, not the buffer, which is often far wider.
  const int width = info.srWindow.Right - info.srWindow.Left + 1;
  return width > 0 ? static_cast<std::size_t>(width) : 0;
}

}  // namespace norvale::fleet
