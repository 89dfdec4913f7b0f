// The test program's heap, seen at the C level. Where the build routes them
// here (Linux: the linker wraps malloc, calloc, realloc and free of every
// object the program links, the plug-in's static libraries included), every C
// allocation passes through this hook, and so does every operator new; on other
// platforms only operator new does. The hook counts allocations, keeps the
// bytes in use, and can make the Nth allocation from now fail, so that tests
// can hold the tick to allocating nothing and drive every out-of-memory path.
#pragma once

#include <cstddef>
#include <cstdint>

namespace k7::test {

// Allocations (malloc, calloc, realloc, operator new) since the program started.
std::size_t AllocationCount();

// Bytes allocated through the hook and not freed yet.
std::int64_t LiveHeapBytes();

// Whether C allocations (malloc and friends) reach the hook in this build.
bool SeesCAllocations();

// Allocation functions for libraries that take their own (pugixml): they count
// and fail like malloc.
void* HookAllocate(std::size_t size);
void HookFree(void* block);

// Allocations made while an instance lives.
class AllocationScope {
  public:
    AllocationScope() : start_(AllocationCount()) {}
    std::size_t count() const { return AllocationCount() - start_; }

  private:
    std::size_t start_;
};

// While an instance lives, allocations of the thread that made it are counted
// from 0, and the one numbered `failing` (if any) returns null (operator new
// throws std::bad_alloc). Other threads allocate as usual.
class AllocationFailure {
  public:
    static constexpr std::size_t kNone = SIZE_MAX;
    explicit AllocationFailure(std::size_t failing = kNone);
    ~AllocationFailure();
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;

    // Allocations seen so far on this thread, the failed one included.
    std::size_t seen() const;
    bool fired() const;
    // Stops counting and failing until Resume (the test's own work in between).
    void Pause();
    void Resume();
};

}  // namespace k7::test
