// The whole plug-in under stress: a Plugin on the simulated host, HID system,
// window, profile and dialog, driven by a byte stream decoded into input
// reports, host Update calls, host LED / DRO / field changes, unplugs and
// replugs, configurations, profile edits by the host and StopPlug, each of the
// last four also from inside a host call the plug-in makes (a host that
// dispatches messages in its callbacks). After every
// step (and inside the host callbacks) it checks what must always hold:
//   - no list indexed outside its bounds: every index the logic keeps is in range;
//   - "DOJOG" only after a fully written jog record of the selected axis, with
//     jogging on, the motion gate open and the engine not inhibited;
//   - no engine jog left running after the pendant's removal or StopPlug, nor
//     on an axis or in a mode the wheel no longer drives;
//   - every G-code line complete and within its buffer;
//   - every latch and flag 0 or 1, every counter within its range;
//   - the output report consistent with the state, one per connected tick;
//   - the HID system used correctly, with no handle left behind;
//   - no motion from the first report after an open;
//   - no "DOJOG" after the release of a removal or a stop.
// The fuzzer and the soak test share it; sanitizers catch the rest.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "plugin/plugin.h"
#include "sim/memory_dialog.h"
#include "sim/sim_host.h"
#include "sim/sim_window.h"
#include "sim/virtual_hid.h"
#include "tests/support/byte_source.h"
#include "tests/support/memory_dom.h"

namespace k7::test {

struct HarnessOptions {
    bool allowStop = true;  // StopPlug among the steps (a soak run stops only at its end)
    // The plug-in records the session there; null: not recorded.
    SessionStorage* sessions = nullptr;
    // The host does only what a trace can say: its events inside host calls
    // only inside the plug-in's calls (not its reads), no other device with
    // the pendant's ids, the pendant present when its arrival is told, and
    // profile edits only of values the dialog can show, finite numbers only.
    bool traceable = false;
};

struct HarnessCounts {
    std::uint64_t steps = 0;
    std::uint64_t ticks = 0;
    std::uint64_t updates = 0;
    std::uint64_t reports = 0;
    std::uint64_t unplugs = 0;
    std::uint64_t replugs = 0;
    std::uint64_t configs = 0;
    std::uint64_t engineJogs = 0;  // "DOJOG" lines
    std::uint64_t stepLines = 0;   // "G91G1" lines
};

class PluginHarness {
  public:
    // Starts the plug-in as the host does; `setup` decides the profile, the
    // devices present and the host's first state.
    explicit PluginHarness(ByteSource& setup, HarnessOptions options = {});
    ~PluginHarness();
    PluginHarness(const PluginHarness&) = delete;
    PluginHarness& operator=(const PluginHarness&) = delete;

    // One step decoded from in, then every check.
    void Step(ByteSource& in);
    // The host's StopPlug, then every check.
    void Stop();

    // The first broken invariant, with where it broke; empty while all hold.
    const std::string& violation() const { return violation_; }
    const HarnessCounts& counts() const { return counts_; }
    sim::VirtualHid& hid() { return hid_; }
    Plugin& plugin() { return *plugin_; }

    static constexpr const char* kPendantPath = "\\\\?\\hid#vid_04d8&pid_b3c5#k7";
    static constexpr const char* kProfilePath = "Mach3Mill.xml";

  private:
    void Start();
    void QueueReport(ByteSource& in);
    void Tick();
    void Updates(int n);
    void SetLed(ByteSource& in);
    void SetDro(ByteSource& in);
    void SetHostField(ByteSource& in);
    void Unplug(ByteSource& in);
    void Plug(ByteSource& in);
    void OtherNotice(ByteSource& in);
    void Configure(ByteSource& in);
    void DialogScript(MemoryDialog& dialog, ByteSource& in);
    void EditProfile(ByteSource& in);
    double Told(double value) const;
    // A removal, an arrival, a tick or StopPlug from inside the Nth host call of a tick.
    enum class Inside { Nothing, Removal, Arrival, Tick, Stop };
    void FromInsideCallback(Inside what, int afterCalls);
    void DeliverInside(Inside what);

    // Host callbacks, as the harness sees them.
    static void OnEffect(const sim::Effect& effect, void* context);
    static void OnCall(void* context);
    void CheckLine(const std::string& line);
    void CheckDoJog();
    void CheckEndJog();
    void CountMotion();

    // After each step.
    void CheckState();
    void NoteRemoval();
    void CheckAfterRemoval();
    void CheckStopped();
    void NoteOpen(std::intptr_t readBefore);
    std::intptr_t ReadHandle();

    bool effectCall_ = false;  // the host call running now is an effect
    void PoisonRecord(int axis);
    void Violation(const std::string& what);

    HarnessOptions options_;
    sim::SimHost& host_;  // one per process, reset for each harness: 2 MB are not set up per input
    sim::VirtualHid hid_;
    sim::SimWindowSystem windows_{&hid_};
    MemoryDom dom_;
    MemoryDialog dialog_;
    Platform platform_;
    std::unique_ptr<Plugin> plugin_;
    ByteSource* dialogInput_ = nullptr;

    bool stopped_ = false;
    Inside inside_ = Inside::Nothing;  // waiting for its host call
    int insideAfterCalls_ = 0;
    bool released_ = false;  // removed or stopped, not opened since: no DOJOG may come
    bool inTick_ = false;
    std::array<bool, 6> jogRunning_{};  // per engine axis, from DOJOG to ENDJOG
    bool bracketOpen_ = false;          // button 204 pressed, 205 not yet
    bool awaitingFirstReport_ = false;  // opened, the first report not yet dispatched
    int motionSinceOpen_ = 0;
    std::uint8_t wheel_ = 0;
    HarnessCounts counts_;
    std::string violation_;
};

}  // namespace k7::test
