// norvale-fleet: result files of a whole site in one database.
#include "fleet/cli.h"
#include "fleet/command_table.h"
#include "fleet/system/console.h"
#include "fleet/system/interrupt.h"
#include "fleet/system/program_entry.h"
#include "fleet/system/terminal.h"

namespace norvale::fleet {
namespace {

// Started by a double click (Windows Explorer) there is no prompt to type a
// command at: say so before the window closes.
constexpr char kOpenedWithoutPrompt[] =
    "norvale-fleet is a command-line tool. Open Command Prompt or PowerShell in this\n"
    "folder and run it there, for example:\n"
    "  norvale-fleet load \\\\fileserver\\inventory\n"
    "  norvale-fleet report --out fleet.html\n\n";
constexpr char kPressAKey[] = "Press any key to close this window.\n";

}  // namespace

int RunProgram(const std::vector<std::string>& args) {
  PrepareConsole();
  CommandIo io{StandardOutput(StandardStream::kOut), StandardOutput(StandardStream::kErr),
               IsTerminal(StandardStream::kErr)};
  io.out_width = StdoutTerminalWidth();  // tables on a terminal fit it
  if (args.empty() && HasConsoleOfItsOwn()) {
    io.out << kOpenedWithoutPrompt << OverallHelp(FleetCommands()) << "\n"
           << kPressAKey << std::flush;
    WaitForKeyPress();
    return kExitError;
  }
  CatchInterrupt();
  const int code = RunCommandLine(FleetCommands(), args, io);
  io.out.flush();
  return code;
}

}  // namespace norvale::fleet
