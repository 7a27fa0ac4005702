#include "fleet/report/page_data.h"

#include "fleet/common/json_text.h"

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

// Per version the computers' indexes, ascending, each after the first as its
// step from the one before: a 10,000-computer site has half a million
// installs, so neither a version nor a name is repeated and most steps are
// one digit.
void AppendInstalls(std::string& out, const ReportApplication& a) {
  out += '[';
  for (std::size_t i = 0; i < a.installs.size(); ++i) {
    const bool new_version = i == 0 || a.installs[i].second != a.installs[i - 1].second;
    if (new_version) {
      out += i ? "]],[" : "[";
      AppendJsonString(out, a.installs[i].second);
      out += ",[";
    } else {
      out += ',';
    }
    // Each index after a version's first as the step from the one before.
    out += std::to_string(new_version ? a.installs[i].first
                                      : a.installs[i].first - a.installs[i - 1].first);
  }
  out += a.installs.empty() ? "]" : "]]]";
}

}  // namespace

void AppendPageData(std::string& out, const ReportData& data) {
  // Applications with pages of their own list their computers there.
  if (!data.applications.empty() && !data.applications[0].page.empty()) {
    out += "{}";
    return;
  }
  out += "{\"installs\":";
  AppendArray(out, data.applications, AppendInstalls);
  out += '}';
}

}  // namespace norvale::fleet
