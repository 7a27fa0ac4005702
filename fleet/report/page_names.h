// File names of the computer pages: safe on every file system a share may
// live on, and unique even where the file system ignores case.
#pragma once

#include <string>
#include <string_view>

namespace norvale::fleet {

// The folder of the computer pages, beside the site page.
inline constexpr const char* kComputerPagesFolder = "computers";

// "PC-001" -> "pc-001~1b2c3d4e.html", "pc-001" -> "pc-001.html":
// lower-case letters, digits and '-' stay; upper case is lowered and any
// other byte written as _XX (hex). A name that needed any of that, was cut
// (past 64 bytes) or is a name Windows reserves (CON, NUL, COM1...) gets
// '~' and a hash of the exact name, so two names that differ only in case
// never share a file.
std::string ComputerPageFile(std::string_view computer);

}  // namespace norvale::fleet
