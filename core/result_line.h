// The result-line format: writing a line from its seven texts, and reading
// the lines of a file back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "core/value.h"

namespace norvale {

// One result line without its line end, from texts already in the file's
// code page.
std::string FormatResultLine(const std::string (&texts)[kColumnCount], SaveType save_type);

// A field of a comma-separated line: enclosed in double quotes, inner quotes
// doubled, when it holds a comma, a quote or a line break (any field may: a
// computer name, a date format, a value).
std::string CommaField(const std::string& text);

// Column positions of a result line.
enum ResultColumn {
  kKeyColumn,
  kGroupColumn,
  kItemColumn,
  kSubItemColumn,
  kContentsColumn,
  kUnitColumn,
  kRenewaldayColumn
};

struct ResultRecord {
  int line = 0;  // the physical line (1-based) the record starts on
  std::vector<std::string> fields;
};

enum class RecordStatus {
  kRecord,         // one record read
  kEnd,            // nothing left
  kUnclosedQuote,  // a quoted field runs to the end of the text
  kNoLineEnd,      // the last record stops without its line end (cut-off file)
};

// Reads the records of a decoded result file one at a time. Comma files may
// enclose a field in double quotes, doubling the quotes inside; a quoted field
// may hold the separator and line breaks. A lone quote inside a quoted field
// that is not followed by the separator or a line end is kept as a character,
// so files of writers that did not double inner quotes still read as written.
// Tab files hold no separator or line break in a value; a value that begins
// with a double quote is enclosed in quotes with its inner quotes doubled
// (older files kept such a value as written, which still reads as written
// unless it is exactly one such quoted text). Lines end in CRLF or LF.
class ResultRecordReader {
 public:
  ResultRecordReader(std::string_view text, char separator) : text_(text), separator_(separator) {}

  RecordStatus Next(ResultRecord& record);
  // The line the reader stopped on (for errors after kUnclosedQuote).
  int line() const { return line_; }

 private:
  // Inside a quoted field: one character, a doubled quote, or the closing one.
  void ReadQuoted(std::string& field, bool& quoted);
  // The last field into the record, tab fields unquoted.
  RecordStatus Finish(ResultRecord& record, std::string& field, RecordStatus status);

  std::string_view text_;
  char separator_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

// The separator of a file, told by its header row ("<computer>\tCreate\tDateTime..."
// or the comma form); 0 when the first line is no header row.
char DetectResultSeparator(std::string_view first_line);

}  // namespace norvale
