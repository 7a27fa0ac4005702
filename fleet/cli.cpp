#include "fleet/cli.h"

#include <algorithm>
#include <ostream>

#include "core/utf.h"
#include "core/version.h"
#include "fleet/query/table_output.h"

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

std::string OverallHelp(const std::vector<Command>& commands) {
  std::string text =
      "usage: norvale-fleet COMMAND [OPTIONS]\n"
      "Loads Norvale result files from a share into one database and answers\n"
      "questions across the fleet.\n\ncommands:\n";
  for (const Command& c : commands) {
    text += "  " + c.name + std::string(c.name.size() < 12 ? 12 - c.name.size() : 1, ' ') +
            c.summary + "\n";
  }
  text +=
      "\n'norvale-fleet COMMAND --help' describes a command; 'norvale-fleet --version'\n"
      "names this version.\n";
  return text;
}

namespace {

// A command's arguments, or where the command line stopped: --help asked, or
// a usage error.
struct ParsedArguments {
  Arguments arguments;
  bool help = false;
  std::string error;
};

ParsedArguments ParseArguments(const Command& command, const std::vector<std::string>& args) {
  ParsedArguments parsed;
  Arguments& out = parsed.arguments;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      return parsed;
    }
    if (arg.rfind("--", 0) != 0 || arg == "--") {
      out.positional.push_back(arg);
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
    if (Contains(command.value_options, name)) {
      if (!inline_value) {
        if (i + 1 >= args.size()) {
          parsed.error = command.name + ": --" + name + " needs a value";
          return parsed;
        }
        value = args[++i];
      }
      out.options[name] = value;
      out.repeated[name].push_back(value);
    } else if (Contains(command.flag_options, name) && !inline_value) {
      out.flags.push_back(name);
    } else {
      parsed.error = command.name + ": unknown option --" + name + "; see '" +
                     std::string(kProgram) + " " + command.name + " --help'";
      return parsed;
    }
  }
  return parsed;
}

// Prints an error as one line, whatever the server's message looked like.
int Fail(CommandIo& io, std::string message) {
  for (char& c : message) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  while (message.find("  ") != std::string::npos) message.erase(message.find("  "), 1);
  message = TrimEnd(message, " ");
  // A server's message may quote stored text: never control characters.
  io.err << kProgram << ": " << VisibleText(message) << "\n";
  return kExitError;
}

}  // namespace

int RunCommandLine(const std::vector<Command>& commands, const std::vector<std::string>& args,
                   CommandIo& io) {
  if (args.empty()) return Fail(io, "no command given; 'norvale-fleet --help' lists them");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    io.out << OverallHelp(commands);
    return kExitOk;
  }
  if (args[0] == "--version") {
    io.out << VersionLine();
    return kExitOk;
  }
  const auto command = std::find_if(commands.begin(), commands.end(),
                                    [&](const Command& c) { return c.name == args[0]; });
  if (command == commands.end()) {
    return Fail(io, "unknown command '" + args[0] + "'; 'norvale-fleet --help' lists them");
  }
  const ParsedArguments parsed = ParseArguments(*command, args);
  if (parsed.help) {
    io.out << command->help;
    return kExitOk;
  }
  if (!parsed.error.empty()) return Fail(io, parsed.error);
  try {
    return command->run(parsed.arguments, io);
  } catch (const std::exception& e) {
    return Fail(io, command->name + ": " + e.what());
  }
}

}  // namespace norvale::fleet
