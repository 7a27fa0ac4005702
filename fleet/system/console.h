// The program's standard output and error as the system wants them: UTF-8
// text in, and on a Windows console wide characters out (whatever the
// console's code page), so every name reads right on English and Japanese
// Windows alike. Redirected output is UTF-8 on both systems; on Windows a
// file (not a pipe) starts with a byte-order mark, which Notepad and the
// spreadsheet programs need to take it for UTF-8 instead of the ANSI code
// page.
#pragma once

#include <ostream>
#include <string>

namespace norvale::fleet {

enum class StandardStream { kOut, kErr };

// Sets the standard streams up for StandardOutput (once, first thing).
void PrepareConsole();

// The stream to write UTF-8 text to.
std::ostream& StandardOutput(StandardStream stream);

// Whether the stream is a terminal or console (a progress line makes sense).
bool IsTerminal(StandardStream stream);

// Whether the program has a console of its own that closes when it ends:
// started from Explorer by a double click rather than from a command prompt.
// Always false on POSIX.
bool HasConsoleOfItsOwn();

// Waits until a key is pressed on the console.
void WaitForKeyPress();

}  // namespace norvale::fleet
