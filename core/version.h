// The program's version: the one place the title, the run header and the
// version resource take their numbers from.
#pragma once

#define NORVALE_VERSION_MAJOR 1
#define NORVALE_VERSION_MINOR 3
#define NORVALE_VERSION_REVISION 3

#ifdef __cplusplus
#include <string>

namespace norvale {

// What the version number follows in the title and the run header.
inline constexpr char kVersionPrefix[] = "Norvale Ver ";

// "Norvale Ver 1.3.3"
inline std::string VersionText() {
  return kVersionPrefix + std::to_string(NORVALE_VERSION_MAJOR) + "." +
         std::to_string(NORVALE_VERSION_MINOR) + "." + std::to_string(NORVALE_VERSION_REVISION);
}

}  // namespace norvale
#endif
