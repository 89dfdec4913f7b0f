// A simulated host: LEDs, DROs, the four data blocks with every field the
// plug-in uses, and a record of every call the plug-in makes. It changes no
// value on its own. Used by the simulator and by the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/host_abi.h"

namespace k7 {
class Plugin;
}

namespace k7::sim {

struct Effect {
    enum class Kind { Button, Dro, Code, Message, MsgBox };
    Kind kind = Kind::Button;
    int code = 0;        // Button, Dro
    double value = 0.0;  // Dro
    std::string text;    // Code, Message, MsgBox

    bool operator==(const Effect&) const = default;
    std::string Describe() const;  // as a trace writes it: button 334, code "G90", ...
};

class SimHost {
  public:
    SimHost();
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // Hands the six callbacks to the plug-in and makes this the host they reach.
    void Install(Plugin& plugin);
    // The callbacks and blocks for code that drives a Host directly.
    HostCallbacks Callbacks();
    HostBlocks Blocks();

    void SetLed(int code, bool lit) { leds_[Index(code)] = lit; }
    bool Led(int code) const { return leds_[Index(code)]; }
    void SetDro(int code, double value) { WriteDro(code, value); }
    double Dro(int code) const { return dros_[Index(code)]; }

    // Host fields.
    void SetPlannerBusy(std::int32_t v);
    void SetDistanceMode(std::int32_t v);
    void SetRotationDegrees(double v);
    void SetJogIncrement(double v);
    void SetEngineInhibit(std::uint8_t v);
    void SetEngineQueue(std::int32_t a, std::int32_t b);
    void SetPlannerQueue(std::int32_t a, std::int32_t b);
    void SetAxisVelocity(int axis, std::int32_t v);
    void SetAxisSecondParam(int axis, std::int32_t v);
    JogRecord Jog(int axis) const;
    std::string Message() const;  // the host's message line

    // Back to the state of a new host (every LED off, every DRO and host field
    // 0, no message, nothing recorded, no observers) without touching its 2 MB
    // again: only what the setters, the callbacks and the plug-in's jog records
    // and message can have written is cleared. For runs that start a host per
    // input (the fuzzer).
    void Reset();

    // Effects in the order they happened.
    std::vector<Effect>& effects() { return effects_; }
    void RecordMsgBox(const std::string& text);
    // Whether each call is kept in effects(). Off, a call costs no allocation
    // and no copy (onEffect still sees it), so measurements see the plug-in
    // alone and long runs keep their memory flat.
    void SetRecording(bool on) { recording_ = on; }
    bool recording() const { return recording_; }

    // Observers called after each effect (the demo's machine uses them).
    void (*onCode)(SimHost& host, const char* line) = nullptr;
    void* user = nullptr;
    // Called with each effect as it is recorded (the trace runner's --verbose).
    void (*onEffect)(const Effect& effect, void* context) = nullptr;
    void* effectContext = nullptr;
    // Called inside each callback, reads included (after recording the call):
    // a host doing something of its own while the plug-in calls it.
    void (*onCall)(void* context) = nullptr;
    void* callContext = nullptr;

    void* engine() { return engine_.get(); }
    void* setup() { return setup_.get(); }
    void* planner() { return planner_.get(); }
    void* view() { return view_.get(); }

  private:
    static std::size_t Index(int code) { return static_cast<std::uint16_t>(code); }
    static void K7_CDECL DoButton(short code);
    static void K7_CDECL SetDRO(short code, double value);
    static double K7_CDECL GetDRO(short code);
    static bool K7_CDECL GetLED(short code);
    static void K7_CDECL SetLED(short code, bool lit);
    static void K7_CDECL Code(const char* line);
    static void MessageHook(const char* text);
    void Record(Effect effect);
    // Never allocates: a host callback must not fail. Past the list's room,
    // Reset clears every DRO.
    void WriteDro(int code, double value) {
        const std::size_t i = Index(code);
        if (!droWritten_[i]) {
            droWritten_[i] = true;
            if (writtenDros_.size() < writtenDros_.capacity())
                writtenDros_.push_back(static_cast<std::uint16_t>(i));
            else
                manyDrosWritten_ = true;
        }
        dros_[i] = value;
    }
    bool Observed() const { return recording_ || onEffect != nullptr; }
    void Called() {
        if (onCall != nullptr) onCall(callContext);
    }

    // Zeroed memory from calloc: a large block comes as untouched pages from
    // the system, so a host of about 2 MB is set up without writing 2 MB.
    class ZeroedBlock {
      public:
        explicit ZeroedBlock(std::size_t bytes);
        ~ZeroedBlock();
        ZeroedBlock(const ZeroedBlock&) = delete;
        ZeroedBlock& operator=(const ZeroedBlock&) = delete;
        unsigned char* get() const { return bytes_; }

      private:
        unsigned char* bytes_;
    };

    std::vector<bool> leds_;
    ZeroedBlock droBlock_;
    double* dros_;
    std::vector<bool> droWritten_;
    std::vector<std::uint16_t> writtenDros_;
    bool manyDrosWritten_ = false;
    ZeroedBlock engine_, setup_, planner_, view_;
    std::vector<Effect> effects_;
    bool recording_ = true;
};

}  // namespace k7::sim
