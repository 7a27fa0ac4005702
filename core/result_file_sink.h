// The rows of a save: each one line of the result file.
#pragma once

#include <optional>

#include "core/context.h"
#include "core/row_sink.h"

namespace norvale {

// Writes each row to an open result file, in the system's ANSI code page and
// the save type's format, after handing it to `shown` (the window's list
// while a save runs there; may be null). A save shows no message midway: the
// first failure is kept, and the save fails with it once the run is over.
class ResultFileSink : public RowSink {
 public:
  ResultFileSink(Context& ctx, platform::LineWriter& file, RowSink* shown)
      : ctx_(ctx), file_(file), shown_(shown) {}

  void Restart() override;
  void Add(std::int64_t row, const std::string (&texts)[kColumnCount]) override;
  void Fail(const Failure& failure) override;

  // The first row that did not reach the file, if any.
  const std::optional<Failure>& first_failure() const { return first_failure_; }

 private:
  Context& ctx_;
  platform::LineWriter& file_;
  RowSink* shown_;
  std::optional<Failure> first_failure_;
};

}  // namespace norvale
