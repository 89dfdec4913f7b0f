// The global allocation functions of the test program, and, where the build
// links with K7_WRAP_MALLOC (-Wl,--wrap=malloc,...), the C allocator of every
// object linked into it. Counting is atomic: GoogleTest and the C++ runtime may
// allocate from other threads. Failing is per thread, so only the code a test
// drives ever sees a null.
#include "tests/support/alloc_hook.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(_WIN32)
#include <malloc.h>
#define K7_BLOCK_SIZE(p) _msize(p)
#else
#include <malloc.h>
#define K7_BLOCK_SIZE(p) malloc_usable_size(p)
#endif

#if defined(K7_WRAP_MALLOC)
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
void __real_free(void* block);
}
#define K7_MALLOC __real_malloc
#define K7_CALLOC __real_calloc
#define K7_REALLOC __real_realloc
#define K7_FREE __real_free
#else
#define K7_MALLOC std::malloc
#define K7_CALLOC std::calloc
#define K7_REALLOC std::realloc
#define K7_FREE std::free
#endif

namespace {

std::atomic<std::size_t> allocations{0};
std::atomic<std::int64_t> liveBytes{0};

struct ThreadFailure {
    bool armed = false;
    bool paused = false;
    std::size_t seen = 0;
    std::size_t failing = k7::test::AllocationFailure::kNone;
    bool fired = false;
};
thread_local ThreadFailure failure;

// Counts one allocation; false when this one is to fail.
bool Admit() {
    allocations.fetch_add(1, std::memory_order_relaxed);
    ThreadFailure& f = failure;
    if (!f.armed || f.paused) return true;
    if (f.seen++ != f.failing) return true;
    f.fired = true;
    return false;
}

void* Track(void* block) {
    if (block != nullptr)
        liveBytes.fetch_add(static_cast<std::int64_t>(K7_BLOCK_SIZE(block)),
                            std::memory_order_relaxed);
    return block;
}

void Untrack(void* block) {
    if (block != nullptr)
        liveBytes.fetch_sub(static_cast<std::int64_t>(K7_BLOCK_SIZE(block)),
                            std::memory_order_relaxed);
}

void* Allocate(std::size_t size) {
    if (!Admit()) return nullptr;
    return Track(K7_MALLOC(size != 0 ? size : 1));
}

[[maybe_unused]] void* AllocateZeroed(std::size_t count, std::size_t size) {
    if (!Admit()) return nullptr;
    return Track(K7_CALLOC(count, size));
}

[[maybe_unused]] void* Reallocate(void* block, std::size_t size) {
    if (block == nullptr) return Allocate(size);
    if (!Admit()) return nullptr;  // the old block stays as it was
    const auto before = static_cast<std::int64_t>(K7_BLOCK_SIZE(block));
    void* moved = K7_REALLOC(block, size);
    if (moved != nullptr || size == 0) liveBytes.fetch_sub(before, std::memory_order_relaxed);
    return Track(moved);
}

void Free(void* block) {
    Untrack(block);
    K7_FREE(block);
}

}  // namespace

#if defined(K7_WRAP_MALLOC)
extern "C" {
void* __wrap_malloc(std::size_t size) {
    return Allocate(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
    return AllocateZeroed(count, size);
}
void* __wrap_realloc(void* block, std::size_t size) {
    return Reallocate(block, size);
}
void __wrap_free(void* block) {
    Free(block);
}
}
#endif

namespace k7::test {

std::size_t AllocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

std::int64_t LiveHeapBytes() {
    return liveBytes.load(std::memory_order_relaxed);
}

bool SeesCAllocations() {
#if defined(K7_WRAP_MALLOC)
    return true;
#else
    return false;
#endif
}

void* HookAllocate(std::size_t size) {
    return Allocate(size);
}

void HookFree(void* block) {
    Free(block);
}

AllocationFailure::AllocationFailure(std::size_t failing) {
    failure = ThreadFailure{true, false, 0, failing, false};
}

AllocationFailure::~AllocationFailure() {
    failure = ThreadFailure{};
}

std::size_t AllocationFailure::seen() const {
    return failure.seen;
}

bool AllocationFailure::fired() const {
    return failure.fired;
}

void AllocationFailure::Pause() {
    failure.paused = true;
}

void AllocationFailure::Resume() {
    failure.paused = false;
}

}  // namespace k7::test

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

void operator delete(void* p) noexcept {
    Free(p);
}

void operator delete[](void* p) noexcept {
    Free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    Free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    Free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept {
    Free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Free(p);
}
