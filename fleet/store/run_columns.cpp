#include "fleet/store/run_columns.h"

namespace norvale::fleet {
namespace {

Param OrNull(const std::string& text) { return text.empty() ? Param() : Param(text); }

constexpr RunColumn kRunColumns[] = {
    {"computer", [](const RunRecord& r) -> Param { return r.computer; }},
    {"run_date", [](const RunRecord& r) -> Param { return r.run_date; }},
    {"run_time", [](const RunRecord& r) -> Param { return r.run_time; }},
    {"run_at", [](const RunRecord& r) { return OrNull(r.run_at); }},
    {"norvale_version", [](const RunRecord& r) -> Param { return r.norvale_version; }},
    {"source_file", [](const RunRecord& r) -> Param { return r.source_file; }},
    {"file_sha256", [](const RunRecord& r) -> Param { return r.file_sha256; }},
    {"file_mtime", [](const RunRecord& r) { return OrNull(r.file_mtime); }},
    {"loaded_at", [](const RunRecord& r) -> Param { return r.loaded_at; }},
    {"row_count", [](const RunRecord& r) -> Param { return std::to_string(r.row_count); }},
    {"error_count", [](const RunRecord& r) -> Param { return std::to_string(r.error_count); }},
    {"encoding", [](const RunRecord& r) -> Param { return r.encoding; }},
    {"seen_at", [](const RunRecord& r) -> Param { return r.seen_at; }},
    {"clock_ahead", [](const RunRecord& r) -> Param { return r.clock_ahead ? "1" : "0"; }},
};

}  // namespace

std::span<const RunColumn> RunColumns() { return kRunColumns; }

std::string RunColumnList() {
  std::string out;
  for (const RunColumn& column : kRunColumns) {
    if (!out.empty()) out += ", ";
    out += column.name;
  }
  return out;
}

std::vector<Param> RunParams(const RunRecord& run) {
  std::vector<Param> params;
  params.reserve(std::size(kRunColumns));
  for (const RunColumn& column : kRunColumns) params.push_back(column.value(run));
  return params;
}

const std::string& InsertRunStatement() {
  static const std::string sql = [] {
    std::string placeholders;
    for (std::size_t i = 0; i < std::size(kRunColumns); ++i) placeholders += i ? ", ?" : "?";
    return "INSERT INTO runs (" + RunColumnList() + ") VALUES (" + placeholders +
           ") ON CONFLICT (file_sha256, computer) DO NOTHING RETURNING run_id";
  }();
  return sql;
}

}  // namespace norvale::fleet
