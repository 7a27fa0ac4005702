// How an engine without list parameters reads the facts of some categories
// within their lines.
#include <algorithm>

#include "fleet/store/database.h"

namespace norvale::fleet {
namespace {

// Ranges per statement: the rest of the last statement's conditions are null.
constexpr std::size_t kRangesPerQuery = 64;
constexpr const char* kRangeCondition = "(run_id = ? AND line BETWEEN ? AND ? AND category = ?)";

}  // namespace

void Database::ForEachFactWithin(const std::vector<CategoryLines>& ranges,
                                 const RowHandler& handle) {
  static const std::string sql = [] {
    std::string text =
        std::string(
            "SELECT run_id, category, item, subitem, contents, unit, line FROM facts WHERE ") +
        kRangeCondition;
    for (std::size_t i = 1; i < kRangesPerQuery; ++i) text += std::string(" OR ") + kRangeCondition;
    return text;
  }();
  for (std::size_t first = 0; first < ranges.size(); first += kRangesPerQuery) {
    std::vector<Param> params(4 * kRangesPerQuery);
    const std::size_t last = std::min(ranges.size(), first + kRangesPerQuery);
    for (std::size_t i = first; i < last; ++i) {
      const CategoryLines& range = ranges[i];
      const std::size_t at = 4 * (i - first);
      params[at] = range.run_id;
      params[at + 1] = range.first_line;
      params[at + 2] = range.last_line;
      params[at + 3] = range.category;
    }
    ForEachRow(sql, params, handle);
  }
}

}  // namespace norvale::fleet
