#include "fleet/system/program_entry.h"

#include <windows.h>

#include "platform/win32/fleet/wide_text.h"

// The wide entry point (linked with -municode): arguments arrive as UTF-16,
// so a share or a --db path outside the ANSI code page arrives whole.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(norvale::fleet::win32::WideToUtf8(argv[i]));
  return norvale::fleet::RunProgram(args);
}
