// The real Windows machine: every platform part backed by Windows, wired in
// one place for the program, the Windows-layer tests and the benchmarks.
#pragma once

#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/files.h"
#include "platform/win32/hardware.h"
#include "platform/win32/local_security.h"
#include "platform/win32/main_window.h"
#include "platform/win32/registry.h"
#include "platform/win32/system.h"
#include "platform/win32/wmi.h"

namespace norvale::win32 {

struct Win32Machine {
  explicit Win32Machine(HINSTANCE instance = GetModuleHandleW(nullptr)) : window(instance) {}
  Win32Machine(const Win32Machine&) = delete;
  Win32Machine& operator=(const Win32Machine&) = delete;

  Win32Registry registry;
  Win32System system;
  Win32Locale locale;
  Win32Files files;
  // WMI (and with it COM on this thread) outlives the window and every run.
  Win32Wmi wmi;
  Win32LocalSecurity security;
  MainWindow window;
  Win32Hardware hardware{[this] { return window.hwnd(); }};
  platform::Platform platform{registry, system, locale, files, window, hardware, wmi, security};
};

}  // namespace norvale::win32
