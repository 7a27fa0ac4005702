// What a norvale-fleet command is: its name, help, options and the function
// that runs it. The commands know this much of the command line and nothing
// of the runner that dispatches to them.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::fleet {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRejected = 1;  // load: some files were rejected
inline constexpr int kExitError = 2;     // wrong usage, or the database failed

// Parsed arguments of one command: options by name ("db", "format") and the rest.
struct Arguments {
  std::map<std::string, std::string> options;                // the last value of each
  std::map<std::string, std::vector<std::string>> repeated;  // every value, in order
  std::vector<std::string> flags;
  std::vector<std::string> positional;
  bool Has(std::string_view flag) const;
  std::string Get(const std::string& name, const std::string& fallback = {}) const;
  std::vector<std::string> GetAll(const std::string& name) const;
};

struct CommandIo {
  std::ostream& out;
  std::ostream& err;
  bool terminal = false;      // progress display wanted (stderr is a terminal)
  std::size_t out_width = 0;  // columns of the terminal stdout is; 0 when not one
};

struct Command {
  std::string name;
  std::string summary;
  std::string help;                        // the full --help text
  std::vector<std::string> value_options;  // options that take a value
  std::vector<std::string> flag_options;
  std::function<int(const Arguments&, CommandIo&)> run;
};

// The default SQLite file, in the current folder.
inline constexpr std::string_view kDefaultTarget = "norvale-fleet.sqlite";

}  // namespace norvale::fleet
