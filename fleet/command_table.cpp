#include "fleet/command_table.h"

#include "fleet/commands.h"
#include "fleet/report_command.h"

namespace norvale::fleet {

const std::vector<Command>& FleetCommands() {
  static const std::vector<Command> commands = {
      LoadCommand(),   ComputersCommand(), ComputerCommand(), SearchCommand(), SoftwareCommand(),
      UnseenCommand(), ChangesCommand(),   ExportCommand(),   ReportCommand()};
  return commands;
}

}  // namespace norvale::fleet
