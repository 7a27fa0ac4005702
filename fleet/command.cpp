#include "fleet/command.h"

#include <algorithm>

namespace norvale::fleet {

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

}  // namespace norvale::fleet
