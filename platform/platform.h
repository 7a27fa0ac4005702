// Everything the program asks of Windows, in one bundle handed to a run.
#pragma once

#include "platform/files.h"
#include "platform/hardware.h"
#include "platform/local_security.h"
#include "platform/locale.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "platform/wmi.h"

namespace norvale::platform {

struct Platform {
  Registry& registry;
  System& system;
  Locale& locale;
  Files& files;
  Ui& ui;
  Hardware& hardware;
  Wmi& wmi;
  LocalSecurity& security;
};

}  // namespace norvale::platform
