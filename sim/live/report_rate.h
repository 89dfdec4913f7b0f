// The pendant's report rate as the plug-in sees it: reports read over the last
// second, sampled once per 25 ms tick, so that a machinist sees how often the
// pendant reports (its USB rate while the wheel turns, nothing at rest).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace k7::sim::live {

class ReportRate {
  public:
    static constexpr int kTicksPerSecond = 40;

    // The link's running total of reports read, after each tick.
    void Sample(std::uint64_t total) {
        totals_[ticks_ % totals_.size()] = total;
        ++ticks_;
    }
    // Over the last second, or over the ticks so far when fewer.
    double PerSecond() const {
        if (ticks_ == 0) return 0.0;
        const std::size_t span = ticks_ < kTicksPerSecond ? ticks_ : kTicksPerSecond;
        const std::uint64_t now = totals_[(ticks_ - 1) % totals_.size()];
        const std::uint64_t then =
            ticks_ > kTicksPerSecond ? totals_[(ticks_ - 1 - span) % totals_.size()] : 0;
        // The total restarts with a new window (a stop and start): no rate across it.
        if (now < then) return 0.0;
        return static_cast<double>(now - then) * kTicksPerSecond / static_cast<double>(span);
    }

  private:
    std::array<std::uint64_t, kTicksPerSecond + 1> totals_{};
    std::size_t ticks_ = 0;
};

}  // namespace k7::sim::live
