// What the fuzz targets share: a check that stops the run with a message,
// and a reader of result lines as spreadsheets read them.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::fuzz {

// Unlike assert(), never compiled out.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

// One record of the spreadsheet dialect (comma or tab): a field that begins
// with a quote runs to the closing quote, doubled quotes inside standing for
// one, and whatever follows the closing quote up to the delimiter is kept as
// it is; any other field runs to the delimiter. False when `line` is not one
// whole record: a line break outside quotes (that ends a record), or a quote
// left open (the record goes on in the next line).
inline bool ReadRecord(std::string_view line, char delimiter, std::vector<std::string>& fields) {
  fields.clear();
  size_t i = 0;
  const size_t n = line.size();
  while (true) {
    std::string field;
    if (i < n && line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < n && !closed) {
        if (line[i] == '"') {
          if (i + 1 < n && line[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        field += line[i++];
      }
      if (!closed) return false;
    }
    while (i < n && line[i] != delimiter) {
      if (line[i] == '\r' || line[i] == '\n') return false;
      field += line[i++];
    }
    fields.push_back(std::move(field));
    if (i >= n) return true;
    ++i;
  }
}

}  // namespace norvale::fuzz
