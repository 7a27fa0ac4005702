#include "fleet/result_file.h"

#include <cstdio>

#include "core/result_labels.h"
#include "core/result_line.h"
#include "core/utf.h"
#include "core/version.h"

namespace norvale::fleet {
namespace {

constexpr std::size_t kColumns = 7;

ParsedResultFile Reject(int line, std::string reason) {
  ParsedResultFile out;
  out.rejection = {line, std::move(reason)};
  return out;
}

bool LooksBinary(std::string_view bytes) {
  std::size_t controls = 0;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) return true;
    if (b < 0x20 && b != '\t' && b != '\r' && b != '\n') ++controls;
  }
  return controls * 100 > bytes.size();
}

// Splits "12/8/2026" into numbers; false unless there are exactly three.
bool ThreeNumbers(std::string_view text, char& separator, int (&out)[3]) {
  int count = 0;
  int value = -1;
  separator = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      value = (value < 0 ? 0 : value * 10) + (c - '0');
      if (value > 9999) return false;
    } else if ((c == '/' || c == '-' || c == '.') && value >= 0 && count < 2 &&
               (separator == 0 || separator == c)) {
      separator = c;
      out[count++] = value;
      value = -1;
    } else {
      return false;
    }
  }
  if (value < 0 || count != 2) return false;
  out[2] = value;
  return true;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool ParseDate(std::string_view text, int& year, int& month, int& day) {
  int n[3];
  char separator;
  if (!ThreeNumbers(TrimSpaces(text), separator, n)) return false;
  if (n[0] >= 1000) {
    year = n[0], month = n[1], day = n[2];
  } else {
    year = n[2] < 100 ? n[2] + 2000 : n[2];
    const bool day_first = separator == '.' || separator == '-' || n[0] > 12;
    month = day_first ? n[1] : n[0];
    day = day_first ? n[0] : n[1];
  }
  return year >= 1900 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool ParseTime(std::string_view text, int& hour, int& minute, int& second) {
  std::string t = TrimSpaces(text);
  int shift = -1;  // -1: 24-hour clock, 0: morning, 12: afternoon
  auto strip = [&](std::string_view mark, int value, bool prefix) {
    if (t.size() < mark.size()) return;
    if (prefix ? t.compare(0, mark.size(), mark) == 0
               : t.compare(t.size() - mark.size(), mark.size(), mark) == 0) {
      t = TrimSpaces(prefix ? t.substr(mark.size()) : t.substr(0, t.size() - mark.size()));
      shift = value;
    }
  };
  strip("AM", 0, false);
  strip("PM", 12, false);
  strip("午前", 0, true);
  strip("午後", 12, true);
  int parts[3] = {0, 0, 0};
  int count = 0;
  int value = -1;
  for (const char c : t) {
    if (c >= '0' && c <= '9') {
      value = (value < 0 ? 0 : value * 10) + (c - '0');
      if (value > 99) return false;
    } else if (c == ':' && value >= 0 && count < 2) {
      parts[count++] = value;
      value = -1;
    } else {
      return false;
    }
  }
  if (value < 0 || count < 1) return false;
  parts[count] = value;
  hour = parts[0], minute = parts[1], second = parts[2];
  if (shift >= 0) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + shift;
  }
  return hour <= 23 && minute <= 59 && second <= 59;
}

}  // namespace

std::string NormaliseRunAt(std::string_view date, std::string_view time) {
  int year, month, day, hour, minute, second;
  if (!ParseDate(date, year, month, day) || !ParseTime(time, hour, minute, second)) return {};
  char out[96];  // room for any int, as the compiler counts
  std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return out;
}

std::string NotAResultFile(std::string_view name) {
  const std::string upper = UpperAscii(name);
  if (upper.rfind("~NORVALE", 0) == 0) return "a temporary file of a run in progress";
  if (upper.size() > 5 && upper.compare(upper.size() - 5, 5, ".PART") == 0) {
    return "a partial copy of a result file";
  }
  if (upper.size() > 4 && (upper.compare(upper.size() - 4, 4, ".TSV") == 0 ||
                           upper.compare(upper.size() - 4, 4, ".CSV") == 0)) {
    return {};
  }
  return "not a result file (.tsv or .csv)";
}

ParsedResultFile ParseResultFile(std::string_view bytes, std::optional<Encoding> forced) {
  if (bytes.empty()) return Reject(0, "empty file");
  if (LooksBinary(bytes)) return Reject(0, "binary file, not a result file");

  const DecodedText text = forced ? DecodeAs(bytes, *forced) : DecodeResultFile(bytes);
  if (!text.ok) {
    return Reject(text.bad_line, "bytes that are not valid " +
                                     std::string(EncodingName(text.encoding)) +
                                     " (give the file's encoding with --encoding)");
  }

  const std::string_view utf8 = text.utf8;
  const char separator = DetectResultSeparator(utf8.substr(0, utf8.find('\n')));
  if (separator == 0) {
    return Reject(1,
                  "no header row (the first line must be the computer, \"Create\", "
                  "\"DateTime\", the date, the time and the version)");
  }

  ResultFile file;
  file.encoding = text.encoding;
  ResultRecordReader reader(utf8, separator);
  ResultRecord record;
  for (;;) {
    const RecordStatus status = reader.Next(record);
    if (status == RecordStatus::kEnd) break;
    if (status == RecordStatus::kUnclosedQuote) {
      return Reject(record.line, "unclosed quote (the field runs to the end of the file)");
    }
    if (status == RecordStatus::kNoLineEnd) {
      return Reject(record.line, "truncated file (the last line stops without its line end)");
    }
    if (record.fields.size() != kColumns) {
      return Reject(record.line, "wrong number of fields: " + std::to_string(record.fields.size()) +
                                     ", expected 7");
    }
    auto& f = record.fields;
    if (file.facts.empty()) {
      file.computer = f[kKeyColumn];
      file.run_date = f[kSubItemColumn];
      file.run_time = f[kContentsColumn];
      const std::string& version = f[kUnitColumn];
      const std::string_view prefix = kVersionPrefix;
      file.norvale_version =
          version.rfind(prefix, 0) == 0 ? version.substr(prefix.size()) : version;
      file.run_at = NormaliseRunAt(file.run_date, file.run_time);
      if (file.computer.empty()) return Reject(1, "the header row has no computer name");
    } else if (f[kKeyColumn] != file.computer) {
      return Reject(record.line, "row for another computer: \"" + f[kKeyColumn] +
                                     "\" in the file of \"" + file.computer + "\"");
    }
    if (f[kItemColumn] == kItemError) ++file.error_count;
    file.facts.push_back(Fact{record.line, std::move(f[kGroupColumn]), std::move(f[kItemColumn]),
                              std::move(f[kSubItemColumn]), std::move(f[kContentsColumn]),
                              std::move(f[kUnitColumn])});
  }
  ParsedResultFile out;
  out.file = std::move(file);
  return out;
}

}  // namespace norvale::fleet
