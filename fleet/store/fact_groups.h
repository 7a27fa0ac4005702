// The facts of a run in the groups the change list compares whole, and the
// figures that change on every run.
#pragma once

#include <string>
#include <vector>

#include "fleet/store/records.h"

namespace norvale::fleet {

// One category's facts, the changing figures (IsChangingFigure) apart from
// the rest. Two runs whose group has the same digest have the same facts in
// it, label for label, so the change list reads neither.
struct FactGroup {
  std::string category;
  bool changing = false;
  // ChangeHash of the group's facts in label order, as hex. A database
  // written by an earlier release holds SHA-256 digests (64 digits): they
  // never equal one of these (32 digits), so such a pair is compared fact by
  // fact, never taken as unchanged.
  std::string digest;
  int first_line = 0, last_line = 0;  // the lines its facts lie within
};

// Figures that change on every run without anything having happened: the
// header's time, free space and use.
bool IsChangingFigure(const std::string& category, const std::string& subitem);

// The run's fact groups, in the order of their first lines. A group's
// digest covers each fact's item, sub-item, contents and unit in line order
// (not the line numbers, which shift when another category gains a line):
// equal digests mean the same facts with the same labels in the same order,
// where the change list finds nothing. The same facts in another order
// differ, and are compared fact by fact.
std::vector<FactGroup> FactGroupsOf(const std::vector<Fact>& facts);

}  // namespace norvale::fleet
