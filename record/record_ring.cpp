#include "record/record_ring.h"

namespace k7 {
namespace {

std::size_t PowerOfTwo(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

}  // namespace

RecordRing::RecordRing(std::size_t capacity)
    : slots_(new Record[PowerOfTwo(capacity)]), mask_(PowerOfTwo(capacity) - 1) {}

bool RecordRing::Reserve(std::size_t count) {
    const std::uint64_t head = head_.load(std::memory_order_relaxed);
    if (head + count - tailSeen_ <= capacity()) return true;
    tailSeen_ = tail_.load(std::memory_order_acquire);
    return head + count - tailSeen_ <= capacity();
}

bool RecordRing::Push(const Record* records, std::size_t count) {
    if (!Reserve(count)) return false;
    for (std::size_t i = 0; i < count; ++i) Slot(i) = records[i];
    Commit(count);
    return true;
}

std::size_t RecordRing::Pop(Record* out, std::size_t max) {
    const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
    const std::uint64_t head = head_.load(std::memory_order_acquire);
    std::size_t n = 0;
    for (; n < max && tail + n != head; ++n) out[n] = slots_[(tail + n) & mask_];
    tail_.store(tail + n, std::memory_order_release);
    return n;
}

}  // namespace k7
