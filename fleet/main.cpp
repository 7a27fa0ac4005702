// norvale-fleet: result files of a whole site in one database.
#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>

#include "fleet/cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  norvale::fleet::CommandIo io{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
  // Tables on a terminal fit its width.
  winsize size{};
  if (isatty(STDOUT_FILENO) == 1 && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) {
    io.out_width = size.ws_col;
  }
  return norvale::fleet::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), io);
}
