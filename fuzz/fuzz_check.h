// What the fuzz targets share: a check that stops the run with a message.
#pragma once

#include <cstdio>
#include <cstdlib>

// Unlike assert(), never compiled out.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)
