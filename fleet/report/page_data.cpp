#include "fleet/report/page_data.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "fleet/report/json_text.h"

namespace norvale::fleet {
namespace {

void AppendNumber(std::string& out, std::optional<double> value) {
  if (!value || !std::isfinite(*value)) {
    out += "null";
    return;
  }
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, *value);
  out.append(buffer, result.ptr);
}

void AppendInt(std::string& out, std::int64_t value) { out += std::to_string(value); }

// Row arrays keep the embedded data small: a 10,000-computer site would
// repeat every key name 10,000 times as objects.
template <typename... Texts>
void AppendTextRow(std::string& out, const Texts&... texts) {
  out += '[';
  bool first = true;
  ((out += first ? "" : ",", first = false, AppendJsonString(out, texts)), ...);
  out += ']';
}

// The words the script writes itself.
void AppendScriptTexts(std::string& out, const ReportTexts& t) {
  const std::pair<const char*, const char*> words[] = {
      {"previous", t.previous},    {"next", t.next},
      {"rows", t.rows_range},      {"none", t.no_rows},
      {"with", t.computers_with},  {"added", t.kind_added},
      {"removed", t.kind_removed}, {"changed", t.kind_changed},
  };
  out += '{';
  bool first = true;
  for (const auto& [key, word] : words) {
    if (!first) out += ',';
    first = false;
    AppendJsonString(out, key);
    out += ':';
    AppendJsonString(out, word);
  }
  out += '}';
}

void AppendComputer(std::string& out, const ReportComputer& c) {
  out += '[';
  AppendJsonString(out, c.name), out += ',';
  AppendJsonString(out, c.last_run), out += ',';
  AppendJsonString(out, c.windows), out += ',';
  AppendJsonString(out, c.cpu), out += ',';
  AppendJsonString(out, c.processors), out += ',';
  AppendNumber(out, c.memory_mb), out += ',';
  AppendNumber(out, c.disk_total_gb), out += ',';
  AppendNumber(out, c.disk_free_gb), out += ',';
  auto pct = DiskFreePercent(c);
  AppendNumber(out, pct ? std::optional<double>(std::round(*pct * 10) / 10) : std::nullopt);
  out += ',';
  AppendJsonString(out, c.ip), out += ',';
  AppendJsonString(out, c.mac), out += ',';
  AppendJsonString(out, c.domain), out += ',';
  AppendJsonString(out, c.user), out += ',';
  AppendInt(out, c.error_rows);
  out += ']';
}

void AppendApplication(std::string& out, const ReportApplication& a) {
  out += '[';
  AppendJsonString(out, a.name), out += ',';
  AppendJsonString(out, a.publisher), out += ",[";
  for (std::size_t v = 0; v < a.versions.size(); ++v) {
    if (v) out += ',';
    AppendJsonString(out, a.versions[v]);
  }
  out += "],[";
  for (std::size_t k = 0; k < a.computers.size(); ++k) {
    if (k) out += ',';
    AppendInt(out, a.computers[k]);
  }
  out += "]]";
}

template <typename Item, typename AppendItem>
void AppendArray(std::string& out, const std::vector<Item>& items, AppendItem append) {
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out += ',';
    append(out, items[i]);
  }
  out += ']';
}

}  // namespace

void AppendPageData(std::string& out, const ReportData& data, const ReportTexts& texts) {
  out += "{\"texts\":";
  AppendScriptTexts(out, texts);
  out += ",\"computers\":";
  AppendArray(out, data.computers, AppendComputer);
  out += ",\"applications\":";
  AppendArray(out, data.applications, AppendApplication);
  out += ",\"changes\":";
  AppendArray(out, data.changes, [](std::string& o, const ReportChange& c) {
    AppendTextRow(o, c.computer, c.when, c.kind, c.category, c.item, c.subitem, c.old_value,
                  c.new_value);
  });
  out += ",\"errors\":";
  AppendArray(out, data.errors, [](std::string& o, const ReportError& e) {
    AppendTextRow(o, e.computer, e.when, e.category, e.module, e.number, e.text);
  });
  out += '}';
}

}  // namespace norvale::fleet
