// Counts the heap allocations made through operator new, for tests that hold
// the tick to allocating nothing. The replaced global operators forward to
// malloc and free, so every other test runs as before.
#pragma once

#include <cstddef>

namespace k7::test {

// Allocations through any form of operator new since the program started.
std::size_t AllocationCount();

// Allocations made while an instance lives.
class AllocationScope {
  public:
    AllocationScope() : start_(AllocationCount()) {}
    std::size_t count() const { return AllocationCount() - start_; }

  private:
    std::size_t start_;
};

}  // namespace k7::test
