// The result-line writer: whatever the seven texts hold, the reader gets the
// seven fields back, one record per line.
#include <fuzzer/FuzzedDataProvider.h>

#include "core/result_line.h"
#include "fuzz/fuzz_check.h"

using norvale::kColumnCount;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool tabs = in.ConsumeBool();
  std::string texts[kColumnCount];
  for (auto& text : texts) text = in.ConsumeRandomLengthString(64);

  const std::string line =
      norvale::FormatResultLine(texts, tabs ? norvale::SaveType::kTab : norvale::SaveType::kComma) +
      "\r\n";
  norvale::ResultRecordReader reader(line, tabs ? '\t' : ',');
  norvale::ResultRecord record;
  FUZZ_CHECK(reader.Next(record) == norvale::RecordStatus::kRecord);
  const std::vector<std::string> fields = record.fields;
  FUZZ_CHECK(reader.Next(record) == norvale::RecordStatus::kEnd);
  FUZZ_CHECK(fields.size() == static_cast<size_t>(kColumnCount));
  for (int i = 0; i < kColumnCount; ++i) {
    std::string want = texts[i];
    // Tab mode has no quoting of breaks: tabs and line breaks become blanks.
    if (tabs) {
      for (char& c : want) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
      }
    }
    FUZZ_CHECK(fields[static_cast<size_t>(i)] == want);
  }
  return 0;
}
