#include "fleet/store/postgres_text.h"

#include "fleet/common/json_text.h"
#include "fleet/store/schema.h"

namespace norvale::fleet {

std::string NumberPlaceholders(std::string_view sql) {
  std::string out;
  int n = 0;
  bool in_literal = false;
  for (const char c : sql) {
    if (c == '\'') in_literal = !in_literal;
    if (c == '?' && !in_literal) {
      out += '$' + std::to_string(++n);
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

template <typename Item, typename TextOf>
std::string ArrayOf(const std::vector<Item>& items, TextOf text_of) {
  std::string out = "{";
  for (const Item& item : items) {
    if (out.size() > 1) out += ',';
    out += '"';
    for (const char c : text_of(item)) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    out += '"';
  }
  return out + "}";
}

}  // namespace

std::string TextArray(const std::vector<Fact>& facts, std::string Fact::*field) {
  return ArrayOf(facts, [field](const Fact& f) -> const std::string& { return f.*field; });
}

std::string TextArray(const std::vector<std::string>& texts) {
  return ArrayOf(texts, [](const std::string& text) -> const std::string& { return text; });
}

std::string LineArray(const std::vector<Fact>& facts) {
  std::string out = "{";
  for (const Fact& f : facts) {
    if (out.size() > 1) out += ',';
    out += std::to_string(f.line);
  }
  return out + "}";
}

std::string InventoryJson(const Inventory& inventory) {
  std::string out = "[";
  for (std::size_t kind = 0; kind < inventory.rows.size(); ++kind) {
    out += kind ? ",[" : "[";
    for (std::size_t r = 0; r < inventory.rows[kind].size(); ++r) {
      out += r ? ",[" : "[";
      const Row& row = inventory.rows[kind][r];
      for (std::size_t c = 0; c < row.size(); ++c) {
        if (c) out += ',';
        if (row[c]) {
          AppendJsonString(out, *row[c]);
        } else {
          out += "null";
        }
      }
      out += ']';
    }
    out += ']';
  }
  out += ',';
  AppendJsonString(out, inventory.search_text);
  out += ",[";
  for (const FactGroup& group : inventory.fact_groups) {
    if (out.back() != '[') out += ',';
    out += "[" + std::to_string(group.first_line) + "," + std::to_string(group.last_line) + ",";
    AppendJsonString(out, group.category);
    out += group.changing ? ",1," : ",0,";
    AppendJsonString(out, group.digest);
    out += ']';
  }
  return out + "]]";
}

std::string InventoryInserts(const std::string& json) {
  return InventoryInserts(json, json + "->>" + std::to_string(InventoryTables().size()));
}

std::string InventoryInserts(const std::string& json, const std::string& search_text) {
  std::string sql;
  const auto& tables = InventoryTables();
  for (std::size_t kind = 0; kind < tables.size(); ++kind) {
    const InventoryTable& table = tables[kind];
    std::string columns, values;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      const InventoryColumn& column = table.columns[c];
      columns += std::string(", ") + column.name;
      const std::string text = "(e->>" + std::to_string(c) + ")";
      values += ", " + (column.type == ColumnType::kInteger ? text + "::bigint"
                        : column.type == ColumnType::kReal  ? text + "::double precision"
                                                            : text);
    }
    sql += ", i" + std::to_string(kind) + " AS (INSERT INTO " + table.name + " (run_id" + columns +
           ") SELECT run.run_id" + values + " FROM run, jsonb_array_elements(" + json + "->" +
           std::to_string(kind) + ") AS e)";
  }
  // The search text after the tables, kept in lower case (see the schema).
  sql +=
      ", search_text AS (INSERT INTO run_search_texts (run_id, search_text)"
      " SELECT run.run_id, lower(" +
      search_text + ") FROM run)";
  sql += std::string(", fact_groups AS (INSERT INTO ") + kFactGroupsTable +
         " (run_id, first_line, last_line, category, changing_figures, digest)"
         " SELECT run.run_id, (g->>0)::integer, (g->>1)::integer, g->>2, (g->>3)::integer, g->>4"
         " FROM run, jsonb_array_elements(" +
         json + "->" + std::to_string(tables.size() + 1) + ") AS g)";
  return sql;
}

}  // namespace norvale::fleet
