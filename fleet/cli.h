// The norvale-fleet command line: dispatch to one of the commands it is
// given, option parsing, --help and --version, errors as one line.
#pragma once

#include <string>
#include <vector>

#include "fleet/command.h"

namespace norvale::fleet {

// The whole program's --help text listing `commands`, and its --version line.
std::string OverallHelp(const std::vector<Command>& commands);
std::string VersionLine();

// Runs the program with argv[1..] and the commands it offers, in the order
// --help lists them.
int RunCommandLine(const std::vector<Command>& commands, const std::vector<std::string>& args,
                   CommandIo& io);

}  // namespace norvale::fleet
