#include "fleet/cli.h"

#include <algorithm>
#include <ostream>

#include "core/utf.h"
#include "core/version.h"
#include "fleet/commands.h"
#include "fleet/query/table_output.h"
#include "fleet/report_command.h"

namespace norvale::fleet {
namespace {

constexpr std::string_view kProgram = "norvale-fleet";

bool Contains(const std::vector<std::string>& list, const std::string& name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

std::string VersionLine() {
  return std::string(kProgram) + " " + std::to_string(NORVALE_VERSION_MAJOR) + "." +
         std::to_string(NORVALE_VERSION_MINOR) + "." + std::to_string(NORVALE_VERSION_REVISION) +
         "\n";
}

std::string OverallHelp() {
  std::string text =
      "usage: norvale-fleet COMMAND [OPTIONS]\n"
      "Loads Norvale result files from a share into one database and answers\n"
      "questions across the fleet.\n\ncommands:\n";
  for (const Command& c : Commands()) {
    text += "  " + c.name + std::string(c.name.size() < 12 ? 12 - c.name.size() : 1, ' ') +
            c.summary + "\n";
  }
  text +=
      "\n'norvale-fleet COMMAND --help' describes a command; 'norvale-fleet --version'\n"
      "names this version.\n";
  return text;
}

bool Arguments::Has(std::string_view flag) const {
  return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::string Arguments::Get(const std::string& name, const std::string& fallback) const {
  const auto found = options.find(name);
  return found == options.end() ? fallback : found->second;
}

std::vector<std::string> Arguments::GetAll(const std::string& name) const {
  const auto found = repeated.find(name);
  return found == repeated.end() ? std::vector<std::string>() : found->second;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      LoadCommand(),   ComputersCommand(), ComputerCommand(), SearchCommand(), SoftwareCommand(),
      UnseenCommand(), ChangesCommand(),   ExportCommand(),   ReportCommand()};
  return commands;
}

int RunCommandLine(const std::vector<std::string>& args, CommandIo& io) {
  auto fail = [&](std::string message) {
    // One line, whatever the server's message looked like.
    for (char& c : message) {
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    while (message.find("  ") != std::string::npos) message.erase(message.find("  "), 1);
    message = TrimEnd(message, " ");
    // A server's message may quote stored text: never control characters.
    io.err << kProgram << ": " << VisibleText(message) << "\n";
    return kExitError;
  };
  if (args.empty()) return fail("no command given; 'norvale-fleet --help' lists them");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    io.out << OverallHelp();
    return kExitOk;
  }
  if (args[0] == "--version") {
    io.out << VersionLine();
    return kExitOk;
  }
  const auto command = std::find_if(Commands().begin(), Commands().end(),
                                    [&](const Command& c) { return c.name == args[0]; });
  if (command == Commands().end()) {
    return fail("unknown command '" + args[0] + "'; 'norvale-fleet --help' lists them");
  }
  Arguments parsed;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      io.out << command->help;
      return kExitOk;
    }
    if (arg.rfind("--", 0) != 0 || arg == "--") {
      parsed.positional.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2);
    std::string value;
    const auto equals = name.find('=');
    const bool inline_value = equals != std::string::npos;
    if (inline_value) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    if (Contains(command->value_options, name)) {
      if (!inline_value) {
        if (i + 1 >= args.size()) return fail(command->name + ": --" + name + " needs a value");
        value = args[++i];
      }
      parsed.options[name] = value;
      parsed.repeated[name].push_back(value);
    } else if (Contains(command->flag_options, name) && !inline_value) {
      parsed.flags.push_back(name);
    } else {
      return fail(command->name + ": unknown option --" + name + "; see '" + std::string(kProgram) +
                  " " + command->name + " --help'");
    }
  }
  try {
    return command->run(parsed, io);
  } catch (const std::exception& e) {
    return fail(command->name + ": " + e.what());
  }
}

}  // namespace norvale::fleet
