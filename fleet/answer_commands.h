// What the answer commands share with the report's computer pages.
#pragma once

#include <span>
#include <vector>

#include "fleet/commands.h"
#include "fleet/query/answers.h"
#include "fleet/query/queries.h"

namespace norvale::fleet {

// The tables `computer NAME` shows for one run, in its order and with its
// headings: the run, each kind of inventory it has (`sections`, as
// AnswerComputer gives them), and what changed with it (taken from
// `changes`, the computer's changes between its runs).
std::vector<NamedTable> ComputerRunTables(const ChosenRun& run, std::vector<Section> sections,
                                          std::span<const FactChange> changes, bool japanese);

}  // namespace norvale::fleet
