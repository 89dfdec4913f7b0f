// Where the stress drivers take their decisions from: a fuzzer's input, read
// once front to back, or a seeded random stream for soak runs. The same bytes
// always give the same run.
#pragma once

#include <cstddef>
#include <cstdint>

namespace k7::test {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // The next byte; 0 once the source is exhausted.
    virtual std::uint8_t Byte() = 0;
    virtual bool exhausted() const = 0;

    // A value in 0..n-1 (n at most 65536).
    int Below(int n) {
        if (n <= 256) return Byte() % n;
        return ((Byte() << 8) | Byte()) % n;
    }
    bool Chance(int percent) { return Below(100) < percent; }
    std::uint32_t Word() {
        std::uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w = (w << 8) | Byte();
        return w;
    }
};

// A fuzzer's input.
class InputBytes final : public ByteSource {
  public:
    InputBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() override { return at_ < size_ ? data_[at_++] : 0; }
    bool exhausted() const override { return at_ >= size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// SplitMix64: small, fast, and the same sequence everywhere. Never exhausted.
class RandomBytes final : public ByteSource {
  public:
    explicit RandomBytes(std::uint64_t seed) : state_(seed) {}
    std::uint8_t Byte() override {
        if (left_ == 0) {
            bits_ = Next();
            left_ = 8;
        }
        --left_;
        const auto b = static_cast<std::uint8_t>(bits_);
        bits_ >>= 8;
        return b;
    }
    bool exhausted() const override { return false; }
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

  private:
    std::uint64_t state_;
    std::uint64_t bits_ = 0;
    int left_ = 0;
};

}  // namespace k7::test
