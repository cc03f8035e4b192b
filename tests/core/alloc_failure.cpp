// Kept in a file of its own so that the compiler never sees new and free meet inline.
#include <atomic>
#include <cstdlib>
#include <new>

#include "core/zv_alloc_failure.hpp"

namespace {
std::atomic<long> allocationsBeforeFailure{-1};
}

void zv::test::failAllocationAfter(long n) {
  allocationsBeforeFailure = n;
}

void* operator new(std::size_t size) {
  if (allocationsBeforeFailure.load() >= 0 && allocationsBeforeFailure.fetch_sub(1) == 0)
    throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
