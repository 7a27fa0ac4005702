#include "core/result_file_sink.h"

#include "core/result_line.h"

namespace norvale {

void ResultFileSink::Restart() {
  if (shown_ != nullptr) shown_->Restart();
}

void ResultFileSink::Add(std::int64_t row, const std::string (&texts)[kColumnCount]) {
  if (shown_ != nullptr) shown_->Add(row, texts);
  // Quoting is decided on the text as written: the code page may lack a
  // character, and what stands in for it must not go unquoted.
  std::string ansi[kColumnCount];
  for (int i = 0; i < kColumnCount; ++i) ansi[i] = ctx_.os.locale.ToAnsi(texts[i]);
  const std::string line = FormatResultLine(ansi, ctx_.main.settings.save_type) + "\r\n";
  try {
    file_.Write(line);
  } catch (const Failure& failure) {
    // The row is in the list, so it still counts and the next one goes below
    // it; the file lacks it, so the save fails.
    Fail(failure);
  }
}

void ResultFileSink::Fail(const Failure& failure) {
  if (!first_failure_) first_failure_ = failure;
}

}  // namespace norvale
