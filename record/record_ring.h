// A single-producer single-consumer ring of records: the host's thread appends,
// the writer thread takes. Neither side ever waits for the other, and nothing
// is allocated after construction: when the ring is full, Push refuses.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "record/record.h"

namespace k7 {

class RecordRing {
  public:
    // capacity: rounded up to a power of two.
    explicit RecordRing(std::size_t capacity);

    // All of records or none of them; false when there is no room.
    bool Push(const Record* records, std::size_t count);
    // The same in place: room for count records (false: none), each written
    // into Slot(i), then all of them handed over at once by Commit.
    bool Reserve(std::size_t count);
    Record& Slot(std::size_t i) {
        return slots_[(head_.load(std::memory_order_relaxed) + i) & mask_];
    }
    void Commit(std::size_t count) {
        head_.store(head_.load(std::memory_order_relaxed) + count, std::memory_order_release);
    }
    // Up to max of the oldest records into out; how many.
    std::size_t Pop(Record* out, std::size_t max);

    std::size_t capacity() const { return mask_ + 1; }
    // Records waiting to be taken (either side may be moving meanwhile).
    std::size_t size() const {
        return static_cast<std::size_t>(head_.load(std::memory_order_acquire) -
                                        tail_.load(std::memory_order_acquire));
    }

    // The producer found the ring full at this tick (counted from 1) and
    // appends nothing more; 0 while that has not happened.
    void MarkLost(std::uint64_t tick) { lostAt_.store(tick, std::memory_order_release); }
    std::uint64_t lostAt() const { return lostAt_.load(std::memory_order_acquire); }

  private:
    std::unique_ptr<Record[]> slots_;
    std::size_t mask_;
    alignas(64) std::atomic<std::uint64_t> head_{0};  // next to write; the producer's
    std::uint64_t tailSeen_ = 0;                      // the producer's copy of tail_
    alignas(64) std::atomic<std::uint64_t> tail_{0};  // next to read; the consumer's
    std::atomic<std::uint64_t> lostAt_{0};
};

}  // namespace k7
