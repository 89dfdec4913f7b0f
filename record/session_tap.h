// The recorder's side on the host's thread: told of every event, host answer,
// host call and pendant report, it appends fixed-size records to the ring and
// does nothing else (no allocation, no lock, no file). An answer the host
// gave before is not appended again: a small table holds the last value seen
// of each DRO, LED and field, which is also what the replayed host will hold.
// When the ring is full the recording ends there; the plug-in never notices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "host/host_observer.h"
#include "record/record.h"
#include "record/record_ring.h"

namespace k7 {

class SessionTap final : public HostObserver {
  public:
    // Records go to ring from now on; null stops them.
    void Attach(RecordRing* ring);
    bool attached() const { return ring_ != nullptr; }

    // Events: what the host or the system did to the plug-in.
    void Begin(RecordKind kind, std::int32_t code = 0, std::uint8_t flags = 0,
               std::string_view text = {});
    void End(RecordKind kind, std::uint8_t flags = 0);
    void Value(RecordKind kind, int index, double value);

    // The pendant, as the device link met it.
    void Opened(std::string_view path);
    void WaitTimedOut() { waitTimedOut_ = true; }
    void Report(std::span<const std::uint8_t> bytes, bool inWait);
    void ReadFailed();
    void Output(std::span<const std::uint8_t> bytes);

    // HostObserver
    void ReadDro(int code, double value) override;
    void ReadLed(int code, bool lit) override;
    void ReadField(HostField field, int index, double value, double second) override;
    void Calling(HostCall call, int code, double value, const char* text) override;
    void Returned() override;

  private:
    struct Slot {
        std::uint32_t key = 0;  // 0: free
        double value = 0;
        double second = 0;
        std::uint32_t readIn = 0;     // the event it was last read in
        std::uint32_t writtenIn = 0;  // the event the plug-in last wrote it in
    };
    static constexpr std::size_t kSlots = 256;
    // The codes the plug-in reads are below this: their slots are found by
    // the code itself, the few others by hashing.
    static constexpr int kDirectCodes = 1024;
    static constexpr int kFields = 16;
    static constexpr int kAxes = 8;

    void Answer(RecordKind kind, std::uint32_t key, int code, double value, double second,
                std::uint8_t axis);
    Slot* Find(std::uint32_t key);
    Slot* Direct(RecordKind kind, int index, int code);
    void Append(const Record& head, std::string_view text = {});
    Record Make(RecordKind kind, std::int32_t code = 0, std::uint8_t flags = 0) const;

    RecordRing* ring_ = nullptr;
    bool lost_ = false;
    std::uint64_t ticks_ = 0;
    std::uint32_t event_ = 1;  // events begun, so that 0 is never one
    int callDepth_ = 0;
    bool waitTimedOut_ = false;  // in this tick
    bool lastTickTimedOut_ = false;
    bool reportInTick_ = false;
    std::uint8_t output_[8] = {};
    bool outputSeen_ = false;
    Slot slots_[kSlots];
    Slot dros_[kDirectCodes];
    Slot leds_[kDirectCodes];
    Slot fields_[kFields][kAxes];
};

}  // namespace k7
