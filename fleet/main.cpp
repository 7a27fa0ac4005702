// norvale-fleet: result files of a whole site in one database.
#include <unistd.h>

#include <iostream>

#include "fleet/cli.h"
#include "fleet/system/terminal.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  norvale::fleet::CommandIo io{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
  io.out_width = norvale::fleet::StdoutTerminalWidth();  // tables on a terminal fit it
  return norvale::fleet::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), io);
}
