// The window's list as the place rows go.
#pragma once

#include "core/context.h"
#include "core/row_sink.h"

namespace norvale {

// Shows each row in the list, except in automatic mode, and says in a
// message box when a row could not be recorded.
class ListSink : public RowSink {
 public:
  explicit ListSink(Context& ctx, platform::ResultList* list = nullptr) : ctx_(ctx), list_(list) {}

  // The list rows are shown in; none once the window has closed.
  void SetList(platform::ResultList* list) { list_ = list; }

  void Restart() override;
  void Add(std::int64_t row, const std::string (&texts)[kColumnCount]) override;
  void Fail(const Failure& failure) override;

 private:
  Context& ctx_;
  platform::ResultList* list_;
};

}  // namespace norvale
