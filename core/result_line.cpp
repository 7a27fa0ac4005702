#include "core/result_line.h"

#include "core/result_labels.h"

namespace norvale {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
  return out;
}

// Tabs and line breaks would split the row, so they become blanks. A field
// that begins with a quote would be read as a quoted field by spreadsheets,
// so it is quoted as their own tab-separated export does.
std::string TabField(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out.starts_with('"') ? Quoted(out) : out;
}

// A tab file encloses a value that begins with a double quote in quotes and
// doubles its inner quotes, as spreadsheets read the tab dialect. Files of
// older writers kept such values as they were; only a field that is exactly
// one such quoted text is unquoted, anything else is kept as written.
void UnquoteTabField(std::string& field) {
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') return;
  std::string inner;
  for (std::size_t i = 1; i + 1 < field.size(); ++i) {
    if (field[i] == '"') {
      if (i + 2 >= field.size() || field[i + 1] != '"') return;  // a lone quote: not ours
      ++i;
    }
    inner += field[i];
  }
  field = std::move(inner);
}

}  // namespace

std::string CommaField(const std::string& text) {
  return text.find_first_of(",\"\r\n") == std::string::npos ? text : Quoted(text);
}

std::string FormatResultLine(const std::string (&texts)[kColumnCount], SaveType save_type) {
  const bool tabs = save_type == SaveType::kTab;
  std::string line;
  for (int i = 0; i < kColumnCount; ++i) {
    if (i > 0) line += tabs ? '\t' : ',';
    line += tabs ? TabField(texts[i]) : CommaField(texts[i]);
  }
  return line;
}

RecordStatus ResultRecordReader::Next(ResultRecord& record) {
  record.fields.clear();
  record.line = line_;
  if (pos_ >= text_.size()) return RecordStatus::kEnd;

  const bool comma = separator_ == ',';
  std::string field;
  bool quoted = false;   // inside a quoted field
  bool at_start = true;  // nothing of the current field read yet
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (quoted) {
      ReadQuoted(field, quoted);
      continue;
    }
    if (comma && c == '"' && at_start) {
      quoted = true;
      at_start = false;
      ++pos_;
      continue;
    }
    // The plain text up to the next separator or line end, in one piece.
    std::size_t end = pos_;
    while (end < text_.size() && text_[end] != separator_ && text_[end] != '\n' &&
           text_[end] != '\r') {
      ++end;
    }
    if (end > pos_) {
      field.append(text_.data() + pos_, end - pos_);
      at_start = false;
      pos_ = end;
      continue;
    }
    if (c == separator_) {
      record.fields.push_back(std::move(field));
      field.clear();
      at_start = true;
      ++pos_;
      continue;
    }
    if (c == '\n' || (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')) {
      pos_ += c == '\r' ? 2 : 1;
      ++line_;
      return Finish(record, field, RecordStatus::kRecord);
    }
    field += c;  // a carriage return on its own is part of the value
    at_start = false;
    ++pos_;
  }
  if (quoted) return RecordStatus::kUnclosedQuote;
  return Finish(record, field, RecordStatus::kNoLineEnd);
}

void ResultRecordReader::ReadQuoted(std::string& field, bool& quoted) {
  const char c = text_[pos_++];
  if (c != '"') {
    if (c == '\n') ++line_;
    field += c;
    return;
  }
  const char next = pos_ < text_.size() ? text_[pos_] : '\n';
  if (next == '"') {
    field += '"';
    ++pos_;
  } else if (next == separator_ || next == '\r' || next == '\n') {
    quoted = false;
  } else {
    field += '"';
  }
}

RecordStatus ResultRecordReader::Finish(ResultRecord& record, std::string& field,
                                        RecordStatus status) {
  record.fields.push_back(std::move(field));
  if (separator_ != ',') {
    for (auto& f : record.fields) UnquoteTabField(f);
  }
  return status;
}

char DetectResultSeparator(std::string_view first_line) {
  for (const char separator : {'\t', ','}) {
    std::string marker;
    marker += separator;
    marker += kGroupCreate;
    marker += separator;
    marker += kItemDateTime;
    marker += separator;
    const auto at = first_line.find(marker);
    // The computer name comes first and never holds the separator.
    if (at != std::string_view::npos && at > 0 &&
        first_line.substr(0, at).find(separator) == std::string_view::npos) {
      return separator;
    }
  }
  return 0;
}

}  // namespace norvale
