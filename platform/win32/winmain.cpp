// The program's entry: builds the Windows platform, loads the main window and
// runs the message loop until the window closes.
#include <windows.h>

#include "app/main_window_logic.h"
#include "platform/win32/files.h"
#include "platform/win32/hardware.h"
#include "platform/win32/local_security.h"
#include "platform/win32/main_window.h"
#include "platform/win32/registry.h"
#include "platform/win32/system.h"
#include "platform/win32/wmi.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace norvale;
  win32::Win32Registry registry;
  win32::Win32System system;
  win32::Win32Locale locale;
  win32::Win32Files files;
  // WMI (and with it COM on this thread) outlives the window and every run.
  win32::Win32Wmi wmi;
  win32::Win32LocalSecurity security;
  win32::MainWindow window(instance);
  win32::Win32Hardware hardware([&window] { return window.hwnd(); });
  platform::Platform platform{registry, system, locale, files, window, hardware, wmi, security};
  MainWindowLogic form(platform);

  const bool created = window.Create({
      .resize = [&] { form.OnResize(); },
      .query_unload = [&] { form.OnClose(); },
      .command = [&](platform::MenuItem item) { form.OnMenuCommand(item); },
  });
  if (!created) {
    MessageBoxW(nullptr, L"The main window could not be created.", L"Norvale", MB_OK | MB_ICONHAND);
    return 1;
  }
  form.Start();
  return window.RunMessageLoop();
}
