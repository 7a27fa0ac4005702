#include "fleet/system/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace norvale::fleet {
namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "used in a signal handler");

void OnInterrupt(int) {
  if (interrupted.exchange(true)) _exit(kExitInterrupted);
}

}  // namespace

void CatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Restarted system calls: a read in progress is not cut short.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

bool InterruptRequested() { return interrupted.load(); }

}  // namespace norvale::fleet
