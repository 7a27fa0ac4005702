// Result files are named after their computer: "<computer name>.tsv".
#pragma once

#include <string>
#include <string_view>

namespace norvale::fleet {

// The computer a result file's name stands for: the name without its folder
// and its .tsv or .csv ending.
std::string ComputerOfFileName(std::string_view path);

// Whether two computer names are the same name as Windows compares them:
// without regard to case (ASCII, and the Latin, Greek, Cyrillic and
// full-width letters that have a case).
bool SameComputerName(std::string_view a, std::string_view b);

}  // namespace norvale::fleet
