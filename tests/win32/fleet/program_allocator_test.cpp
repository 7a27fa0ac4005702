// The fleet tool's allocator on Windows: every form of new takes its block
// from mimalloc with the alignment asked for, running out of memory behaves
// as the standard says (the new-handler, then bad_alloc or a null pointer),
// and SQLite, fitted before it starts, allocates from the same allocator.
#include <gtest/gtest.h>
#include <mimalloc.h>
#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <string>

#include "fleet/system/sqlite_files.h"

namespace norvale::fleet::testing {
namespace {

struct alignas(64) CacheLine {
  char bytes[64];
};
struct alignas(4096) Page {
  char bytes[4096];
};

bool AlignedTo(const void* block, std::size_t alignment) {
  return reinterpret_cast<std::uintptr_t>(block) % alignment == 0;
}

TEST(ProgramAllocator, EveryFormOfNewTakesItsBlockFromTheAllocator) {
  constexpr std::size_t kLarge = 8u << 20;  // past mimalloc's small and large pages
  struct Case {
    const char* form;
    std::function<void*()> allocate;
    std::function<void(void*)> release;
    std::size_t alignment;
  } cases[] = {
      {"new", [] { return static_cast<void*>(new int(7)); },
       [](void* p) { delete static_cast<int*>(p); }, alignof(int)},
      {"new[]", [] { return static_cast<void*>(new char[100]); },
       [](void* p) { delete[] static_cast<char*>(p); }, 1},
      {"new[] of a large block", [] { return static_cast<void*>(new char[kLarge]); },
       [](void* p) { delete[] static_cast<char*>(p); }, 1},
      {"nothrow new", [] { return static_cast<void*>(new (std::nothrow) int(7)); },
       [](void* p) { delete static_cast<int*>(p); }, alignof(int)},
      {"aligned new", [] { return static_cast<void*>(new CacheLine()); },
       [](void* p) { delete static_cast<CacheLine*>(p); }, 64},
      {"aligned new[]", [] { return static_cast<void*>(new Page[3]); },
       [](void* p) { delete[] static_cast<Page*>(p); }, 4096},
      {"nothrow aligned new", [] { return static_cast<void*>(new (std::nothrow) Page()); },
       [](void* p) { delete static_cast<Page*>(p); }, 4096},
      {"a string's buffer", [] { return static_cast<void*>(new std::string(1000, 'x')); },
       [](void* p) {
         auto* text = static_cast<std::string*>(p);
         EXPECT_TRUE(mi_is_in_heap_region(text->data()));
         delete text;
       },
       alignof(std::string)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    void* block = c.allocate();
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(mi_is_in_heap_region(block));
    EXPECT_TRUE(AlignedTo(block, c.alignment));
    c.release(block);
  }
}

int new_handler_calls = 0;

// Gives up at its first call, as a handler that has nothing to free does.
void GiveUp() {
  ++new_handler_calls;
  std::set_new_handler(nullptr);
}

TEST(ProgramAllocator, RunningOutOfMemoryCallsTheHandlerAndThenFails) {
  // More than any address space holds.
  constexpr std::size_t kImpossible = std::numeric_limits<std::size_t>::max() / 2;
  const std::align_val_t page{4096};
  struct Case {
    const char* form;
    std::function<void*()> allocate;
    bool throws;  // otherwise a null pointer
  } cases[] = {
      {"new", [] { return ::operator new(kImpossible); }, true},
      {"new[]", [] { return ::operator new[](kImpossible); }, true},
      {"nothrow new", [] { return ::operator new(kImpossible, std::nothrow); }, false},
      {"aligned new", [&] { return ::operator new(kImpossible, page); }, true},
      {"nothrow aligned new[]", [&] { return ::operator new[](kImpossible, page, std::nothrow); },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    new_handler_calls = 0;
    std::set_new_handler(GiveUp);
    if (c.throws) {
      EXPECT_THROW(c.allocate(), std::bad_alloc);
    } else {
      EXPECT_EQ(c.allocate(), nullptr);
    }
    EXPECT_EQ(new_handler_calls, 1);
  }
  std::set_new_handler(nullptr);
}

TEST(ProgramAllocator, SqliteAllocatesFromTheSameAllocator) {
  FitSqliteFileAccess();  // fits SQLite's memory before it starts
  for (int size : {1, 100, 4000, 70000, 3 << 20}) {
    SCOPED_TRACE("size " + std::to_string(size));
    auto* block = static_cast<char*>(sqlite3_malloc(size));
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(mi_is_in_heap_region(block));
    EXPECT_GE(sqlite3_msize(block), static_cast<sqlite3_uint64>(size));
    std::memset(block, 'a', static_cast<std::size_t>(size));
    // Grown past the block's room: the bytes move with it.
    auto* grown = static_cast<char*>(sqlite3_realloc(block, size * 3));
    ASSERT_NE(grown, nullptr);
    EXPECT_TRUE(mi_is_in_heap_region(grown));
    EXPECT_GE(sqlite3_msize(grown), static_cast<sqlite3_uint64>(size) * 3);
    EXPECT_EQ(std::string(grown, static_cast<std::size_t>(size)),
              std::string(static_cast<std::size_t>(size), 'a'));
    // Shrunk: what is left keeps its bytes.
    auto* shrunk = static_cast<char*>(sqlite3_realloc(grown, (size + 1) / 2));
    ASSERT_NE(shrunk, nullptr);
    EXPECT_EQ(std::string(shrunk, static_cast<std::size_t>((size + 1) / 2)),
              std::string(static_cast<std::size_t>((size + 1) / 2), 'a'));
    sqlite3_free(shrunk);
  }
}

}  // namespace
}  // namespace norvale::fleet::testing
