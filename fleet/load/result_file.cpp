#include "fleet/load/result_file.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "core/result_labels.h"
#include "core/result_line.h"
#include "core/utf.h"
#include "core/version.h"
#include "fleet/common/timestamps.h"

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

std::size_t CountLineEnds(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) count += c == '\n';
  return count;
}

std::size_t Characters(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

bool HasControlCharacter(std::string_view text) {
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) return true;
  }
  return false;
}

// Why a record's fields break the limits ("" when they do not).
std::string OverLimit(const std::vector<std::string>& fields, bool header) {
  if (header) {
    const std::string& computer = fields[kKeyColumn];
    if (Characters(computer) > kMaxComputerNameCharacters) {
      return "computer name longer than " + std::to_string(kMaxComputerNameCharacters) +
             " characters";
    }
    if (HasControlCharacter(computer)) return "computer name with a control character";
    for (const std::size_t column : {kSubItemColumn, kContentsColumn, kUnitColumn}) {
      if (fields[column].size() > kMaxHeaderFieldBytes) {
        return "header field " + std::to_string(column + 1) + " longer than " +
               std::to_string(kMaxHeaderFieldBytes) + " bytes";
      }
    }
  }
  for (std::size_t column = 0; column < fields.size(); ++column) {
    if (fields[column].size() > kMaxFieldBytes) {
      return "field " + std::to_string(column + 1) + " longer than " +
             std::to_string(kMaxFieldBytes) + " bytes";
    }
  }
  return {};
}

// The header row's fields: the computer and the run's time and version.
void ReadHeader(const std::vector<std::string>& f, const ParseOptions& options, ResultFile& file) {
  file.computer = f[kKeyColumn];
  file.run_date = f[kSubItemColumn];
  file.run_time = f[kContentsColumn];
  const std::string& version = f[kUnitColumn];
  const std::string_view prefix = kVersionPrefix;
  file.norvale_version = version.rfind(prefix, 0) == 0 ? version.substr(prefix.size()) : version;
  file.run_at = NormaliseRunAt(file.run_date, file.run_time, options.modified_at);
}

// Every record of the text as a fact of `file`, the header row first; the
// first record that breaks a rule rejects the file.
std::optional<Rejection> ReadFacts(std::string_view utf8, char separator,
                                   const ParseOptions& options, ResultFile& file) {
  ResultRecordReader reader(utf8, separator);
  ResultRecord record;
  for (;;) {
    const RecordStatus status = reader.Next(record);
    if (status == RecordStatus::kEnd) return std::nullopt;
    if (status == RecordStatus::kUnclosedQuote) {
      return Rejection{record.line, "unclosed quote (the field runs to the end of the file)"};
    }
    if (status == RecordStatus::kNoLineEnd) {
      return Rejection{record.line, "truncated file (the last line stops without its line end)"};
    }
    if (record.fields.size() != kColumns) {
      return Rejection{record.line, "wrong number of fields: " +
                                        std::to_string(record.fields.size()) + ", expected 7"};
    }
    auto& f = record.fields;
    const bool header = file.facts.empty();
    if (std::string why = OverLimit(f, header); !why.empty()) {
      return Rejection{record.line, std::move(why)};
    }
    if (header) {
      ReadHeader(f, options, file);
      if (file.computer.empty()) return Rejection{1, "the header row has no computer name"};
    } else if (f[kKeyColumn] != file.computer) {
      return Rejection{record.line, "row for another computer: \"" + f[kKeyColumn] +
                                        "\" in the file of \"" + file.computer + "\""};
    }
    if (f[kItemColumn] == kItemError) ++file.error_count;
    file.facts.push_back(Fact{record.line, std::move(f[kGroupColumn]), std::move(f[kItemColumn]),
                              std::move(f[kSubItemColumn]), std::move(f[kContentsColumn]),
                              std::move(f[kUnitColumn])});
  }
}

}  // namespace

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

ParsedResultFile ParseResultFile(std::string_view bytes, const ParseOptions& options) {
  if (bytes.empty()) return Reject(0, "empty file");
  if (LooksBinary(bytes)) return Reject(0, "binary file, not a result file");

  // Counted before decoding, which would cost a copy: a line end is the same
  // byte in every encoding read here, and never part of a Shift_JIS character.
  const std::size_t line_ends = CountLineEnds(bytes);
  if (line_ends > kMaxLines) {
    return Reject(static_cast<int>(kMaxLines) + 1,
                  "more than " + std::to_string(kMaxLines) + " lines");
  }
  const DecodedText text =
      options.encoding ? DecodeAs(bytes, *options.encoding) : DecodeResultFile(bytes);
  if (!text.ok) {
    return Reject(text.bad_line, "bytes that are not valid " +
                                     std::string(EncodingName(text.encoding)) +
                                     " (give the file's encoding with --encoding)");
  }

  const std::string_view utf8 = text.utf8();
  const char separator = DetectResultSeparator(utf8.substr(0, utf8.find('\n')));
  if (separator == 0) {
    return Reject(1,
                  "no header row (the first line must be the computer, \"Create\", "
                  "\"DateTime\", the date, the time and the version)");
  }

  ResultFile file;
  file.encoding = text.encoding;
  file.facts.reserve(line_ends);
  if (auto rejection = ReadFacts(utf8, separator, options, file)) {
    ParsedResultFile out;
    out.rejection = std::move(*rejection);
    return out;
  }
  ParsedResultFile out;
  out.file = std::move(file);
  return out;
}

}  // namespace norvale::fleet
