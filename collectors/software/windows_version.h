// The Windows name from the version record, for the versions that the record
// alone names (module mSoft2).
#pragma once

#include <string>

#include "core/context.h"

namespace norvale {

struct WindowsVersionName {
  // Empty when the record does not tell it (2000 and NT name themselves; XP
  // Professional, Server 2003, Vista and later are left to the registry's
  // product name).
  std::string name;
  // The record's service pack text, as it stands.
  std::string service_pack;
};

// The name of the running Windows from the version record.
WindowsVersionName ReadWindowsVersionName(Context& ctx);

}  // namespace norvale
