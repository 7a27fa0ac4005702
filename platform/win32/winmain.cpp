// The program's entry: builds the Windows platform, loads the main window and
// runs the message loop until the window closes.
#include <windows.h>

#include "app/main_window_logic.h"
#include "platform/win32/machine.h"
#include "platform/win32/system_library.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace norvale;
  // Before anything loads a DLL: nothing from the program's folder.
  win32::RestrictDllSearchToSystem();
  win32::Win32Machine machine(instance);
  win32::MainWindow& window = machine.window;
  MainWindowLogic window_logic(machine.platform);

  const bool created = window.Create({
      .resize = [&] { window_logic.OnResize(); },
      .query_unload = [&] { window_logic.OnClose(); },
      .command = [&](platform::MenuItem item) { window_logic.OnMenuCommand(item); },
  });
  if (!created) {
    MessageBoxW(nullptr, L"The main window could not be created.", L"Norvale", MB_OK | MB_ICONHAND);
    return 1;
  }
  window_logic.Start();
  return window.RunMessageLoop();
}
