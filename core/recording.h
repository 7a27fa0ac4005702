// Recording of facts: the one road into the list and the result file.
#pragma once

#include <string>
#include <string_view>

#include "core/context.h"
#include "core/failure.h"
#include "core/value.h"

namespace norvale {

// Records one row: its values become texts once and go to the run's row
// sink, which also hears of a row that failed. Never throws.
void RecordValues(Context& ctx, const Value& key, const Value& group, const Value& item,
                  const Value& sub_item, const Value& contents, const Value& unit,
                  const Value& renewalday);

// A row with Key = the computer name and Renewalday = today's date.
void RecordRow(Context& ctx, const Value& group, const Value& item, const Value& sub_item,
               const Value& contents, const Value& unit);

// The row a failing procedure leaves: Item "error", SubItem its module.
void ErrorRow(Context& ctx, std::string_view group, std::string_view module,
              const Failure& failure);

// Runs `body`; any failure becomes the procedure's ErrorRow.
template <typename Body>
void Guarded(Context& ctx, std::string_view group, std::string_view module, Body&& body) {
  try {
    body();
  } catch (const Failure& failure) {
    ErrorRow(ctx, group, module, failure);
  } catch (const std::exception& e) {
    ErrorRow(ctx, group, module, Failure::Internal(e.what()));
  }
}

// Sends the run's rows to `sink` while this lives, then back where they went.
class RowSinkScope {
 public:
  RowSinkScope(Context& ctx, RowSink& sink) : ctx_(ctx), previous_(ctx.main.rows) {
    ctx.main.rows = &sink;
  }
  ~RowSinkScope() { ctx_.main.rows = previous_; }
  RowSinkScope(const RowSinkScope&) = delete;
  RowSinkScope& operator=(const RowSinkScope&) = delete;

 private:
  Context& ctx_;
  RowSink* previous_;
};

// A value as the list and the result file show it.
std::string ValueText(Context& ctx, const Value& value);

std::string GetComputerNameText(Context& ctx);

}  // namespace norvale
