// Where the rows of a run go: the app hands the run one (the window's list,
// the result file, or both), so recording needs no notion of modes.
#pragma once

#include <cstdint>
#include <string>

#include "core/failure.h"
#include "core/value.h"

namespace norvale {

class RowSink {
 public:
  virtual ~RowSink() = default;

  // A new run starts: the rows before it are gone.
  virtual void Restart() = 0;
  // One row as the list shows it, at position `row`. A Failure thrown here
  // is the row's failure, handed back through Fail.
  virtual void Add(std::int64_t row, const std::string (&texts)[kColumnCount]) = 0;
  // A row that could not be recorded.
  virtual void Fail(const Failure& failure) = 0;
};

}  // namespace norvale
