// One trace file's world: a fresh simulated host, virtual HID system, window
// system and plug-in (as if the library had just been loaded into a new
// process), the profile's temporary directory, and what the trace has done so
// far.
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "plugin/platform.h"
#include "plugin/plugin.h"
#include "record/linux/posix_session_storage.h"
#include "settings/pugixml/pugixml_dom.h"
#include "sim/sim_host.h"
#include "sim/sim_window.h"
#include "sim/trace/args.h"
#include "sim/virtual_hid.h"

namespace k7 {
class MemoryDialog;
}

namespace k7::sim::trace {

// The virtual pendant's current state; each queued report starts from it.
struct PendantModel {
    std::uint8_t wheel = 0;
    std::uint8_t speed = 0;
    std::uint8_t keys3 = 0;  // Fn Reset X Y Z Screen Start
    std::uint8_t keys4 = 0;  // M1 M2 M3
    InputReport Report() const;
};

// Removes the directory and everything in it when the session ends.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// An effect as a trace writes it, numbers in their shortest form.
std::string DescribeEffect(const Effect& effect);

class Session {
  public:
    Session(std::string file, bool verbose, std::ostream& out);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& file() const { return file_; }
    int line = 0;  // the command running now

    // The world, built in this order and torn down in reverse (the plug-in first).
    TempDir dir;
    SimHost host;
    VirtualHid hid;
    SimWindowSystem windows{&hid};
    PugiXmlDomFactory xml;  // the profile store on pugixml, as on Linux
    Platform platform;
    Plugin plugin;

    // Before start.
    bool devicesListed = false;  // a `device` line was given
    bool noDevice = false;       // `nodevice` was given
    std::filesystem::path profilePath;
    std::optional<std::string> profileText;  // what `profile` wrote

    // Start and stop.
    bool started = false;
    std::optional<std::string> pluginName;  // what SetProName returned

    // The virtual pendant and the checks.
    PendantModel pendant;
    std::size_t checkedEffects = 0;  // effects before this index are checked off
    std::size_t writtenMark = 0;     // output reports counted by the last `expect written`

    // The configuration dialog while a `config` block runs, else null.
    MemoryDialog* dialog = nullptr;

    // The plug-in records this session into folder, whatever the profile says.
    void RecordInto(const std::string& folder);
    // The simulation runs far faster than a host's 40 ticks a second: it waits
    // for the recorder's writer whenever the writer falls behind, so that the
    // recording holds the whole session.
    void KeepPaceWithRecorder() {
        if (paced_) plugin.recorder().CatchUp();
    }

    void RequireStarted(const Args& args) const;
    void RequireNotStarted(const Args& args) const;
    // Loads the plug-in as the host does.
    void Start();
    // Queues one input report; a trace may not queue past a late report. Inside
    // a `together` group the reports are held until the group is whole, then
    // queued to arrive at once.
    void Queue(const Args& args, InputReport report);
    // `together N`: the next n reports queued arrive together.
    void BeginGroup(const Args& args, std::int64_t n);

    // `inside`: the next host call that matches `call` runs `command` from
    // inside it, once. What goes wrong in there is kept and thrown by
    // ThrowInsideFailure once the plug-in's call has returned: nothing is
    // thrown through the plug-in.
    void ArmInside(const Args& args, const Effect& call, std::string described,
                   std::function<void(Session&)> command);
    void ThrowInsideFailure();
    // The line of an `inside` still waiting for its call, or 0.
    int insideWaiting() const { return inside_ ? inside_->line : 0; }
    const std::string& insideCall() const { return inside_->described; }
    // The oldest unchecked effect, or null.
    const Effect* NextEffect();
    // Forgets effects already checked off, so a long trace keeps its memory flat.
    void DropCheckedEffects();

  private:
    struct Inside {
        Effect call;
        std::string described;
        std::function<void(Session&)> command;
        int line = 0;
    };
    std::optional<Inside> inside_;
    std::exception_ptr insideFailure_;
    int insideFailureLine_ = 0;
    void ObserveEffects();
    void RunInside();
    static void OnEffect(const Effect& effect, void* context);

    std::vector<InputReport> group_;  // the `together` group being filled
    std::int64_t groupLeft_ = 0;      // reports it still needs

    static void PrintEffect(const Effect& effect, void* context);

    std::optional<PosixSessionStorage> sessions_;
    bool paced_ = false;
    std::string file_;
    bool verbose_;
    std::ostream& out_;
};

}  // namespace k7::sim::trace
