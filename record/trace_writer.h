// Turns a session's records into a trace that the simulator replays: the
// settings as loaded become the profile, host answers become the `led`, `dro`
// and `host` lines before the event that read them, reports the `report`
// lines, ticks and updates are folded (`tick 400`), dialogs become `config`
// blocks, and every call to the host an `expect`. What the format cannot say
// is said in a comment at that point. Runs on the writer thread; the records
// come in the order the host's thread appended them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "record/record.h"

namespace k7 {

class TraceWriter {
  public:
    // header: comment lines (without '#') for the top of the file.
    explicit TraceWriter(const std::vector<std::string>& header);

    void Take(const Record& record);
    // The session is over: an event still open is left out, and why (when not
    // empty) closes the file as a comment; otherwise it ends with the check
    // that nothing was left unexpected.
    void Finish(std::string_view why);

    // The text made so far that the caller has not taken yet.
    std::string& text() { return out_; }
    std::uint64_t ticks() const { return ticks_; }

  private:
    struct Block {
        RecordKind kind = RecordKind::Tick;
        std::int32_t code = 0;
        bool named = false;
        std::uint8_t depth = 0;                            // host calls open when it began
        std::string path;                                  // of a notice
        std::string setup;                                 // lines before the command
        std::string after;                                 // checks and notes after it
        std::vector<std::array<std::uint8_t, 9>> reports;  // 8 bytes and the flags
        std::string opened;                                // the path the link opened meanwhile
        std::string inside;  // the one `inside CALL COMMAND` line, once known
        std::uint64_t insideCall = 0;
        int insideTicks = 0;
    };

    void Dispatch(const Record& r, const std::string& text);
    void BeginEvent(const Record& r, const std::string& text);
    void EndEvent();
    void Answer(const Record& r);
    void Call(const Record& r, const std::string& text);
    void ConfigRecord(const Record& r);
    void CloseDialog(bool ok);
    void WriteProfile(const char* command, const std::vector<std::int32_t>& values);
    void Started(Block b);

    std::string Command(const Block& b, const std::string& opened);
    std::string NoticeCommand(const Block& b, const std::string& opened);
    void Nested(const Block& nested);
    void Render(const Block& b);
    void Line(const std::string& line);
    void AppendLine(std::string_view line);
    void Note(const std::string& text);
    void Time(const char* word);
    void FlushTime();
    std::string Alias(const std::string& path);
    bool IsPendant(const std::string& path) const;
    static bool PathsMatch(const std::string& a, const std::string& b);

    std::string out_;
    std::string pendingText_;
    Record pendingHead_;
    bool collecting_ = false;

    std::vector<Block> blocks_;  // the open event, then the ones inside it
    std::string carry_;          // lines the next event must start with
    std::string timeWord_;
    int timeCount_ = 0;
    int indent_ = 0;
    bool started_ = false;
    bool stopped_ = false;
    std::uint64_t ticks_ = 0;

    std::vector<std::string> calls_;  // the open host call at each depth
    std::vector<std::uint64_t> callIds_;
    std::uint64_t nextCall_ = 0;

    std::vector<std::int32_t> settings_;  // as the replay's profile holds them
    std::vector<std::int32_t> shown_;
    std::vector<std::int32_t> applied_;
    bool configOpen_ = false;
    std::string startDevice_;
    std::set<std::string> pendants_;  // paths opened, in lower case
    bool connected_ = false;          // the link is open, as far as the notices tell
    std::string connectedPath_;
    std::map<std::string, std::string> aliases_;  // other devices' paths
};

}  // namespace k7
