// Ctrl+C: SIGINT on POSIX, the console's control handler on Windows. The
// first press asks the program to stop at its next safe point (a load stops
// between two files); a second press ends it at once.
#pragma once

namespace norvale::fleet {

// The exit code of a program stopped by Ctrl+C, the same on both systems
// (the shells' 128 + SIGINT).
inline constexpr int kExitInterrupted = 130;

// Installs the handler (once, at the start).
void CatchInterrupt();

// Whether Ctrl+C was pressed since CatchInterrupt.
bool InterruptRequested();

}  // namespace norvale::fleet
