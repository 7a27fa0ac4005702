#include "app/list_sink.h"

#include "core/ui_texts.h"

namespace norvale {

void ListSink::Restart() {
  if (list_ != nullptr) list_->ClearList();
}

void ListSink::Add(std::int64_t row, const std::string (&texts)[kColumnCount]) {
  // Automatic mode is read per row: the menu may switch it during the run.
  if (ctx_.main.settings.automatic() || list_ == nullptr) return;
  const int position = static_cast<int>(row);
  list_->AddListRow(position, texts[0]);
  for (int column = 1; column < kColumnCount; ++column) {
    list_->SetListCell(position, column, texts[column]);
  }
}

void ListSink::Fail(const Failure& failure) {
  ctx_.os.ui.ShowMessage(kMessageRecordFailed + failure.description(),
                         platform::MessageIcon::kNone);
}

}  // namespace norvale
