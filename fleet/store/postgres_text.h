// The text of the statements that hand a run to PostgreSQL: numbered
// placeholders, array literals of a run's facts and its typed rows as JSON.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fleet/store/inventory.h"
#include "fleet/store/records.h"

namespace norvale::fleet {

// "?" placeholders become $1, $2, ...; quoted literals are left alone.
std::string NumberPlaceholders(std::string_view sql);

// An array literal of one text field of each fact: {"a","b \"c\""}.
std::string TextArray(const std::vector<Fact>& facts, std::string Fact::*field);

// An array literal of texts (numbers included: "{\"12\"}" reads as a bigint[] too).
std::string TextArray(const std::vector<std::string>& texts);

// An array literal of the facts' line numbers.
std::string LineArray(const std::vector<Fact>& facts);

// A run's typed rows as one JSON array: per inventory table (in table order)
// an array of rows, each an array of texts and nulls; then the search text
// and the fact groups.
std::string InventoryJson(const Inventory& inventory);

// Statements that insert the typed rows of the run named by a CTE "run"
// from the JSON of InventoryJson that `json` names: ", i0 AS (...)".
std::string InventoryInserts(const std::string& json);
// The same, with the search text taken from the expression `search_text`
// instead of the JSON.
std::string InventoryInserts(const std::string& json, const std::string& search_text);

}  // namespace norvale::fleet
