#include "fleet/report/page_data.h"

#include "fleet/report/json_text.h"

namespace norvale::fleet {
namespace {

template <typename Item, typename AppendItem>
void AppendArray(std::string& out, const std::vector<Item>& items, AppendItem append) {
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out += ',';
    append(out, items[i]);
  }
  out += ']';
}

void AppendComputer(std::string& out, const ReportComputer& c) {
  out += '[';
  AppendJsonString(out, c.name);
  out += ',';
  AppendJsonString(out, c.page);
  out += ']';
}

// Arrays rather than objects keep the data small: a 10,000-computer site
// would repeat every key name on every install.
void AppendInstalls(std::string& out, const ReportApplication& a) {
  AppendArray(out, a.installs, [](std::string& o, const std::pair<std::uint32_t, std::string>& i) {
    o += '[';
    o += std::to_string(i.first);
    o += ',';
    AppendJsonString(o, i.second);
    o += ']';
  });
}

}  // namespace

void AppendPageData(std::string& out, const ReportData& data) {
  out += "{\"computers\":";
  AppendArray(out, data.computers, AppendComputer);
  out += ",\"installs\":";
  AppendArray(out, data.applications, AppendInstalls);
  out += '}';
}

}  // namespace norvale::fleet
