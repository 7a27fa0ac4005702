#include "fleet/store/fact_groups.h"

#include <algorithm>

#include "core/result_labels.h"
#include "fleet/common/change_hash.h"

namespace norvale::fleet {

bool IsChangingFigure(const std::string& category, const std::string& subitem) {
  if (category == kGroupCreate) return true;
  return category == kGroupHard && (IsLabel(subitem, kLabelFree) || IsLabel(subitem, kLabelUse));
}

std::vector<FactGroup> FactGroupsOf(const std::vector<Fact>& facts) {
  std::vector<FactGroup> groups;
  std::vector<ChangeHash> hashes;  // each group's, fed as its facts come
  std::size_t current = 0;
  for (const Fact& f : facts) {
    const bool changing = IsChangingFigure(f.category, f.subitem);
    // A category's lines mostly follow each other: the group of the line
    // before is tried first.
    if (current == groups.size() || groups[current].category != f.category ||
        groups[current].changing != changing) {
      current = 0;
      while (current < groups.size() &&
             (groups[current].category != f.category || groups[current].changing != changing)) {
        ++current;
      }
      if (current == groups.size()) {
        groups.push_back(FactGroup{f.category, changing, "", f.line, f.line});
        hashes.emplace_back();
      }
    }
    FactGroup& group = groups[current];
    group.first_line = std::min(group.first_line, f.line);
    group.last_line = std::max(group.last_line, f.line);
    for (const std::string* text : {&f.item, &f.subitem, &f.contents, &f.unit}) {
      hashes[current].Add(*text);
    }
  }
  for (std::size_t g = 0; g < groups.size(); ++g) groups[g].digest = hashes[g].HexDigest();
  return groups;
}

}  // namespace norvale::fleet
