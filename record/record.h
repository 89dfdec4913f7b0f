// The unit a session recording is made of: one fixed-size record per thing
// the plug-in saw or did, appended on the host's thread and turned into trace
// text by the writer thread. Texts (a G-code line, a device path) continue in
// the records that follow their own.
#pragma once

#include <cstdint>
#include <cstring>

namespace k7 {

enum class RecordKind : std::uint8_t {
    // What the host or the system did to the plug-in. `depth`: the host calls
    // that were open when it began (more than 0: from inside one of them).
    Start,    // PostInitControl began
    Started,  // and returned
    Setting,  // code: the key's index in the setting table; value(0)
    Tick,     // flags: kWaitTimedOut on TickEnd
    TickEnd,
    Update,
    Notice,  // code: the notice's code; flags: kInterface; text: the path
    NoticeEnd,
    Stop,
    Stopped,
    Shown,         // code: key index; value(0): what the dialog opens on (read from the profile)
    ConfigOpened,  // the dialog opened
    ConfigSet,     // code: key index; value(0): the value OK applied
    ConfigClosed,  // flags: kOk when by OK
    ConfigEnd,     // Config returned; flags: kSaveFailed
    // The host's answers: only those that differ from what the host was last
    // known to hold. flags: kReadTwice, kNotHeld.
    Dro,    // code; value(0)
    Led,    // code; value(0) 0 or 1
    Field,  // code: HostField; value(0), value(1); `size`: the axis
    // Calls to the host, before it runs them.
    Button,   // code
    SetDro,   // code; value(0)
    Code,     // text
    Message,  // text
    // The pendant.
    Opened,  // text: the path opened for reading
    Report,  // data: the report; flags: kInWait, kLate
    ReadFailed,
    Output,  // data: the output report
    Text,    // `size` more bytes of the text before it
};

namespace record_flags {
inline constexpr std::uint8_t kMore = 1;          // the text continues in a Text record
inline constexpr std::uint8_t kWaitTimedOut = 2;  // the tick waited its window for nothing
inline constexpr std::uint8_t kInWait = 4;        // the report came within the wait
inline constexpr std::uint8_t kLate = 8;          // ... just after the last tick's wait
inline constexpr std::uint8_t kReadTwice = 16;    // read already in this event, then other
inline constexpr std::uint8_t kNotHeld = 32;      // the plug-in had just written another value
inline constexpr std::uint8_t kOk = 64;
inline constexpr std::uint8_t kInterface = 128;
inline constexpr std::uint8_t kSaveFailed = 2;  // on ConfigEnd, where no wait is told
}  // namespace record_flags

struct Record {
    static constexpr std::size_t kDataSize = 24;

    RecordKind kind = RecordKind::Text;
    std::uint8_t flags = 0;
    std::uint8_t depth = 0;
    std::uint8_t size = 0;
    std::int32_t code = 0;
    std::uint8_t data[kDataSize] = {};

    double value(int i) const {
        double v;
        std::memcpy(&v, data + 8 * i, sizeof v);
        return v;
    }
    void setValue(int i, double v) { std::memcpy(data + 8 * i, &v, sizeof v); }
};

static_assert(sizeof(Record) == 32);

}  // namespace k7
