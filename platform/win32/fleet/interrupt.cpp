#include "fleet/system/interrupt.h"

#include <windows.h>

#include <atomic>

namespace norvale::fleet {
namespace {

std::atomic<bool> interrupted{false};

// Runs on a thread of its own that Windows starts for the event.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (interrupted.exchange(true)) ExitProcess(kExitInterrupted);
  return TRUE;
}

}  // namespace

void CatchInterrupt() { SetConsoleCtrlHandler(OnControl, TRUE); }

bool InterruptRequested() { return interrupted.load(); }

}  // namespace norvale::fleet
