#include "fleet/system/program_entry.h"

#include <windows.h>

#include <cstdio>

#include "fleet/command.h"
#include "platform/win32/fleet/wide_text.h"

namespace {

constexpr char kDllSearchNotRestricted[] =
    "norvale-fleet: Windows refused to limit the DLL search to the system folder; not "
    "running, so that no DLL beside the program is loaded\n";

}  // namespace

// The wide entry point (linked with -municode): arguments arrive as UTF-16,
// so a share or a --db path outside the ANSI code page arrives whole.
int wmain(int argc, wchar_t** argv) {
  // Before anything can load a DLL: CRYPT32, Secur32 and bcrypt are
  // delay-loaded on first use, and must come from System32, never from the
  // program's folder or the current one (a share users can write to).
  if (!SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    std::fputs(kDllSearchNotRestricted, stderr);
    return norvale::fleet::kExitError;
  }
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(norvale::fleet::win32::WideToUtf8(argv[i]));
  return norvale::fleet::RunProgram(args);
}
