// The program's own start. The system's entry point (main on POSIX, wmain on
// Windows, in fleet/system/<system>/program_entry.cpp) calls it with the
// arguments after the program's name, as UTF-8 whatever the code page.
#pragma once

#include <string>
#include <vector>

namespace norvale::fleet {

// Defined by the program (fleet/main.cpp); returns the exit code.
int RunProgram(const std::vector<std::string>& args);

}  // namespace norvale::fleet
