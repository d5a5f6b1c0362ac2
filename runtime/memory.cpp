// The program's global allocation functions. When memory cannot be obtained, the program ends
// through fatal_error with the size it asked for, rather than unwinding a std::bad_alloc through
// code that never expects one. The nothrow forms keep their contract and return null.
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "runtime/fatal_error.h"

// The runtime's link options name this symbol, so this file is linked into every program even
// where a sanitizer's runtime library, linked first, already supplies the allocation functions.
extern "C" const char tts_allocation_functions = 0;

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer would end the program with its own report on a failed allocation; letting
// malloc return null keeps the program's own fatal-error path in sanitizer builds.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

std::atomic_flag g_reporting_failure = ATOMIC_FLAG_INIT;

// Freed memory stays with the process for the next allocation instead of going back to the
// system after every large text: a page the system hands out anew costs a fault when first
// touched, and those faults made converting a multi-megabyte answer several times slower than
// the conversion itself. Blocks up to 32 MiB come from the heap, and up to 64 MiB of free space
// at its top is kept. (A no-op under a sanitizer, whose allocator has its own policy.)
const bool g_heap_keeps_freed_memory = [] {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  return true;
}();

[[noreturn]] void allocation_failed(std::size_t size) {
  // Reporting needs memory as well; a failure while reporting ends the program at once.
  if (g_reporting_failure.test_and_set()) std::_Exit(-1);
  char message[64];
  std::snprintf(message, sizeof message, "分配 %zu 字节内存失败!", size);
  fatal_error(0, message);
}

void* try_allocate(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void* try_allocate(std::size_t size, std::align_val_t alignment) {
  void* block = nullptr;
  const std::size_t align = std::max(static_cast<std::size_t>(alignment), sizeof(void*));
  return ::posix_memalign(&block, align, size == 0 ? 1 : size) == 0 ? block : nullptr;
}

template <typename... Alignment>
void* allocate(std::size_t size, Alignment... alignment) {
  void* block = try_allocate(size, alignment...);
  if (block == nullptr) allocation_failed(size);
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocate(size, alignment);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return try_allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return try_allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return try_allocate(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment,
                     const std::nothrow_t&) noexcept {
  return try_allocate(size, alignment);
}

// Every form of delete frees what one of the forms above allocated.
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(block);
}
