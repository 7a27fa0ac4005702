// The fleet tool's own allocations on Windows come from mimalloc: every run
// builds and frees many small strings and rows, and the process heap takes a
// lock on each of them (under Wine a sixth of a load's time went there).
// The C libraries (libpq, OpenSSL) keep the C runtime's heap.
#include <mimalloc.h>
#include <sqlite3.h>

#include <climits>
#include <cstddef>
#include <mutex>
#include <new>

#include "fleet/system/sqlite_files.h"

namespace {

// As the standard asks of operator new: the new-handler gets its chances,
// then std::bad_alloc (mimalloc's own mi_new, built as C, aborts instead).
void* AllocateOrThrow(std::size_t size) {
  for (;;) {
    if (void* block = mi_malloc(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void* AllocateAlignedOrThrow(std::size_t size, std::align_val_t alignment) {
  for (;;) {
    if (void* block = mi_malloc_aligned(size, static_cast<std::size_t>(alignment))) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return AllocateOrThrow(size);
  } catch (...) {
    return nullptr;
  }
}

void* AllocateAlignedOrNull(std::size_t size, std::align_val_t alignment) noexcept {
  try {
    return AllocateAlignedOrThrow(size, alignment);
  } catch (...) {
    return nullptr;
  }
}

// SQLite's memory methods over the same allocator. SQLite asks sizes as int
// and needs 8-byte alignment (mimalloc gives 16).
void* SqliteMalloc(int size) { return mi_malloc(static_cast<std::size_t>(size)); }
void SqliteFree(void* block) { mi_free(block); }
void* SqliteRealloc(void* block, int size) {
  return mi_realloc(block, static_cast<std::size_t>(size));
}
// Sizes past int (a block near SQLite's 2 GiB limit, rounded up to pages)
// are told as what was asked for.
int SqliteSize(void* block) {
  const std::size_t usable = mi_usable_size(block);
  return usable > INT_MAX ? INT_MAX : static_cast<int>(usable);
}
int SqliteRoundup(int size) {
  const std::size_t good = mi_good_size(static_cast<std::size_t>(size));
  return good > INT_MAX ? size : static_cast<int>(good);
}
int SqliteInit(void*) { return SQLITE_OK; }
void SqliteShutdown(void*) {}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrThrow(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrThrow(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAlignedOrNull(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAlignedOrNull(size, alignment);
}

// mimalloc finds a block's size and alignment itself: every delete is a free.
void operator delete(void* block) noexcept { mi_free(block); }
void operator delete[](void* block) noexcept { mi_free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { mi_free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { mi_free(block); }
void operator delete(void* block, std::size_t) noexcept { mi_free(block); }
void operator delete[](void* block, std::size_t) noexcept { mi_free(block); }
void operator delete(void* block, std::align_val_t) noexcept { mi_free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { mi_free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  mi_free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  mi_free(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { mi_free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { mi_free(block); }

namespace norvale::fleet {

void FitSqliteMemory() {
  static std::once_flag once;
  std::call_once(once, [] {
    static const sqlite3_mem_methods methods = {
        SqliteMalloc,  SqliteFree, SqliteRealloc,  SqliteSize,
        SqliteRoundup, SqliteInit, SqliteShutdown, nullptr,
    };
    // Refused (and SQLite keeps its own allocator) once SQLite has started.
    sqlite3_config(SQLITE_CONFIG_MALLOC, &methods);
    // Keeping count of the memory in use takes a lock around every block
    // SQLite takes or gives back; nothing here asks for the count.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  });
}

}  // namespace norvale::fleet
