// The Windows name from the version record, for the versions that the record
// alone names (module mSoft2).
#pragma once

#include <string>

#include "core/context.h"

namespace norvale {

// The name of the running Windows, or empty text when the record does not
// tell it (2000 and NT name themselves; XP Professional, Server 2003, Vista
// and later are left to the registry's product name). Sets ServicePackText.
std::string GetVersionEx(Context& ctx);

}  // namespace norvale
