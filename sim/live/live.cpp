#include "sim/live/live.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

#include "device/linux/event_loop.h"
#include "device/linux/hidraw_system.h"
#include "sim/live/config_form.h"
#include "sim/live/device_scan.h"
#include "sim/live/key_map.h"
#include "sim/live/keys.h"
#include "sim/live/live_session.h"
#include "sim/live/status_screen.h"
#include "sim/live/terminal.h"

namespace k7::sim::live {
namespace {

constexpr int kDefaultUpdateMs = 100;  // a host that calls Update ten times a second
constexpr long long kRedrawMs = 50;
constexpr long long kEscapeWaitMs = 40;  // an ESC with nothing after it this long is the Esc key
constexpr long long kCatchUpMs = 250;    // after a stall, missed ticks collapse into one

struct Options {
    bool keyboard = false;
    std::string device;
    std::string profile;
    std::string record;
    std::string script;
    int updateMs = kDefaultUpdateMs;
};

std::string DefaultProfilePath() {
    namespace fs = std::filesystem;
    fs::path dir;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != 0)
        dir = config;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0)
        dir = fs::path(home) / ".config";
    else
        return "k7-live.xml";
    dir /= "k7pendant";
    std::error_code ignored;
    fs::create_directories(dir, ignored);
    return (dir / "live.xml").string();
}

// Keys from the terminal, a pipe or a script file.
class Input {
  public:
    // scripted: the whole input is read at once, and time comes from its keys.
    Input(int fd, bool scripted) : fd_(fd) {
        if (scripted) {
            while (Fill()) {
            }
        }
    }

    int fd() const { return fd_; }
    bool ended() const { return ended_; }

    // Reads what has arrived (the caller polled); false at the end of the input.
    bool Fill() {
        char chunk[512];
        ssize_t n;
        do {
            n = ::read(fd_, chunk, sizeof chunk);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) {
            ended_ = true;
            return false;
        }
        if (buffer_.empty()) escapeSince_ = 0;
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    // The next key; `now` tells how long a lone ESC has waited.
    bool Next(Key& key, long long now) {
        if (buffer_.empty()) return false;
        const bool final = ended_ || (escapeSince_ != 0 && now - escapeSince_ >= kEscapeWaitMs);
        const std::size_t used = DecodeKey(buffer_, final, key);
        if (used == 0) {
            if (escapeSince_ == 0) escapeSince_ = now;
            return false;
        }
        buffer_.erase(0, used);
        escapeSince_ = 0;
        return true;
    }

  private:
    int fd_;
    std::string buffer_;
    bool ended_ = false;
    long long escapeSince_ = 0;
};

class Runner {
  public:
    Runner(LiveSession& session, Input& input, bool scripted, int updateMs)
        : session_(session), input_(input), scripted_(scripted), updateMs_(updateMs) {}

    Terminal* terminal = nullptr;           // the screen, when the keys come from a terminal
    EventLoopWindowSystem* pump = nullptr;  // a real pendant's window, pumped here
    ScreenContext context;
    // The screen as it stood when the session ended, before the plug-in stopped.
    std::vector<std::string> finalStatus;

    void Run();
    long long Now() const;
    // The time of what runs now: a tick or update runs at its scheduled time.
    long long EventTime() const { return running_ >= 0 ? running_ : Now(); }

  private:
    using KeyHandler = std::function<bool(const Key& key)>;
    // One pass of the loop: waits for keys or for time, hands over the keys
    // (until the handler returns false), runs what is due, redraws. False when
    // the input ended or a signal asked to stop.
    bool Step(const KeyHandler& onKey);
    void WaitForInput(long long waitMs);
    void RunDue();
    void PassTime(int ticks);
    bool MainKey(const Key& key);
    void ConfigLoop(MemoryDialog& dialog);
    void Draw(bool force);

    LiveSession& session_;
    Input& input_;
    bool scripted_;
    long long updateMs_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    long long virtualMs_ = 0;
    long long nextTick_ = kTickMs;
    long long nextUpdate_ = 0;
    long long machineMs_ = 0;
    long long drawnAt_ = -kRedrawMs;
    bool quit_ = false;
    bool inComment_ = false;
    ConfigForm* form_ = nullptr;
    long long running_ = -1;
};

long long Runner::Now() const {
    if (scripted_) return virtualMs_;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

void Runner::Run() {
    nextUpdate_ = updateMs_;
    Draw(true);
    while (!quit_) {
        if (!Step([this](const Key& key) { return MainKey(key); })) break;
    }
    context.seconds = static_cast<double>(Now()) / 1000.0;
    finalStatus = RenderStatus(session_, context, false);
    session_.Stop();
}

void Runner::WaitForInput(long long waitMs) {
    const int timeout = static_cast<int>(std::max(0LL, waitMs));
    if (pump != nullptr) {
        // The plug-in's own timer and device notices wait here; keys are
        // looked at after each of them.
        if (pump->Pump(timeout) >= 0) {
            pollfd keys{input_.fd(), POLLIN, 0};
            if (!input_.ended() && ::poll(&keys, 1, 0) > 0) input_.Fill();
            return;
        }
    }
    pollfd keys{input_.fd(), POLLIN, 0};
    if (input_.ended()) {
        ::poll(nullptr, 0, timeout);
        return;
    }
    if (::poll(&keys, 1, timeout) > 0) input_.Fill();
}

bool Runner::Step(const KeyHandler& onKey) {
    if (StopRequested()) return false;
    // Time runs on only while the handler keeps the keys: once it hands them
    // back (the dialog closed), the loop it belongs to ends first.
    if (scripted_) {
        Key key;
        if (!input_.Next(key, Now())) return false;
        if (onKey(key)) RunDue();
        return !StopRequested();
    }
    const long long next = session_.keyboard() ? std::min(nextTick_, nextUpdate_) : nextUpdate_;
    WaitForInput(std::min<long long>(kRedrawMs, next - Now()));
    Key key;
    bool handled = true;
    while (handled && !quit_ && input_.Next(key, Now())) handled = onKey(key);
    if (handled) RunDue();
    Draw(false);
    // A terminal never ends its input; a pipe does, and then the session ends.
    if (input_.ended() && terminal == nullptr) return false;
    return !StopRequested();
}

void Runner::RunDue() {
    const long long now = Now();
    if (!scripted_) {
        if (now - nextTick_ > kCatchUpMs) nextTick_ = now;
        if (now - nextUpdate_ > kCatchUpMs) nextUpdate_ = now;
    }
    for (;;) {
        const bool tickDue = session_.keyboard() && nextTick_ <= now;
        const bool updateDue = nextUpdate_ <= now;
        if (!tickDue && !updateDue) break;
        if (tickDue && (!updateDue || nextTick_ <= nextUpdate_)) {
            running_ = nextTick_;
            session_.Tick();
            nextTick_ += kTickMs;
        } else {
            running_ = nextUpdate_;
            session_.Update();
            nextUpdate_ += updateMs_;
        }
        running_ = -1;
    }
    session_.AdvanceMachine(static_cast<double>(now - machineMs_) / 1000.0);
    machineMs_ = now;
}

void Runner::PassTime(int ticks) {
    // Only a script's keys move time; at a terminal it runs by the clock.
    if (!scripted_) return;
    virtualMs_ += static_cast<long long>(kTickMs) * ticks;
    RunDue();
}

bool Runner::MainKey(const Key& key) {
    if (inComment_) {
        inComment_ = key.kind != KeyKind::Enter;
        return true;
    }
    if (scripted_ && key.Is('#')) {
        inComment_ = true;
        return true;
    }
    if (key.kind == KeyKind::Interrupt) {
        quit_ = true;
        return false;
    }
    const KeyBinding* binding = FindBinding(key);
    if (binding == nullptr) return true;
    const bool virtualPendant = session_.keyboard();
    switch (binding->action) {
        case KeyAction::Wheel:
            if (virtualPendant) session_.Turn(binding->value);
            break;
        case KeyAction::Speed:
            if (virtualPendant) session_.AddSpeed(binding->value);
            break;
        case KeyAction::PendantKey:
            if (virtualPendant) session_.ToggleKey(kPendantKeys[binding->value]);
            break;
        case KeyAction::ReleaseKeys:
            if (virtualPendant) session_.ReleaseKeys();
            break;
        case KeyAction::Plug:
            if (virtualPendant) session_.TogglePlug();
            break;
        case KeyAction::Led:
            session_.ToggleLed(binding->value);
            break;
        case KeyAction::Configure:
            session_.Configure([this](MemoryDialog& dialog) { ConfigLoop(dialog); });
            Draw(true);
            break;
        case KeyAction::Quit:
            quit_ = true;
            return false;
        case KeyAction::Time:
            PassTime(binding->value);
            break;
    }
    Draw(false);
    return true;
}

// The dialog's modal loop: the form takes the keys while the pendant and the
// host keep running, as they do behind the dialog in the host.
void Runner::ConfigLoop(MemoryDialog& dialog) {
    ConfigForm form(dialog.controls());
    form_ = &form;
    Draw(true);
    const KeyHandler onKey = [&](const Key& key) {
        if (key.kind == KeyKind::Interrupt) {
            quit_ = true;
            return false;
        }
        if (key.kind == KeyKind::Tick) {
            PassTime(1);
            return true;
        }
        switch (form.HandleKey(key)) {
            case ConfigForm::Outcome::Ok:
                if (!session_.PressOk(dialog)) {
                    form.ShowMessage(session_.lastMessage());
                    form.FollowFocus();
                }
                break;
            case ConfigForm::Outcome::Escape:
                session_.PressEscape(dialog);
                break;
            case ConfigForm::Outcome::None:
                break;
        }
        Draw(false);
        // Keys after the dialog has closed belong to the main screen.
        return dialog.open();
    };
    while (dialog.open() && !quit_) {
        if (!Step(onKey)) quit_ = true;
    }
    if (dialog.open()) session_.PressEscape(dialog);
    form_ = nullptr;
}

void Runner::Draw(bool force) {
    if (terminal == nullptr) return;
    const long long now = Now();
    if (!force && now - drawnAt_ < kRedrawMs) return;
    drawnAt_ = now;
    context.seconds = static_cast<double>(now) / 1000.0;
    context.width = terminal->width();
    context.height = terminal->height();
    if (form_ == nullptr) {
        terminal->Draw(RenderStatus(session_, context, true));
        return;
    }
    std::vector<std::string> lines;
    lines.push_back("\x1b[1mk7sim live: configuration\x1b[0m   pendant: " + session_.LinkState() +
                    "   (keeps working meanwhile)");
    for (std::string& line : form_->Render(true)) lines.push_back(std::move(line));
    terminal->Draw(lines);
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& problem) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                problem = arg + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (arg == "--keyboard") {
            options.keyboard = true;
        } else if (arg == "--device") {
            if (!value(options.device)) return false;
        } else if (arg == "--profile") {
            if (!value(options.profile)) return false;
        } else if (arg == "--record") {
            if (!value(options.record)) return false;
        } else if (arg == "--script") {
            if (!value(options.script)) return false;
        } else if (arg == "--update-ms") {
            std::string text;
            if (!value(text)) return false;
            char* end = nullptr;
            const long ms = std::strtol(text.c_str(), &end, 10);
            if (end == text.c_str() || *end != 0 || ms < 1 || ms > 10000) {
                problem = "--update-ms takes 1 to 10000";
                return false;
            }
            options.updateMs = static_cast<int>(ms);
        } else {
            problem = "unknown option " + arg;
            return false;
        }
    }
    if (options.keyboard && !options.device.empty()) {
        problem = "--keyboard and --device exclude each other";
        return false;
    }
    return true;
}

void PrintPlain(std::ostream& out, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) out << line << '\n';
}

}  // namespace

std::string LiveUsage() {
    std::string text =
        "usage: k7sim live [--keyboard | --device /dev/hidrawN] [--profile FILE]\n"
        "                  [--record FILE.trace] [--script FILE] [--update-ms N]\n"
        "\n"
        "Runs the plug-in in real time (25 ms ticks, host Update every N ms, default 100)\n"
        "in the simulated host and machine. A pendant found through hidraw drives it;\n"
        "without one (or with --keyboard) a virtual pendant takes its keys from the\n"
        "keyboard. Keys come from the terminal, or from a pipe or --script FILE: then\n"
        "time passes only by the keys t and T (and Ctrl-T in the configuration form).\n"
        "--profile   the settings file (default: ~/.config/k7pendant/live.xml)\n"
        "--record    writes the session as a trace for `k7sim run`\n"
        "\n"
        "keys:\n";
    for (const std::string& line : KeyMapLines(true, true, 78)) text += "  " + line + "\n";
    return text;
}

int RunLive(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    std::string problem;
    if (!ParseOptions(args, options, problem)) {
        err << "k7sim live: " << problem << "\n" << LiveUsage();
        return 2;
    }
    InstallStopSignals();

    int inFd = STDIN_FILENO;
    if (!options.script.empty()) {
        inFd = ::open(options.script.c_str(), O_RDONLY | O_CLOEXEC);
        if (inFd < 0) {
            err << "k7sim live: cannot read " << options.script << "\n";
            return 2;
        }
    }
    const bool keysFromTerminal = options.script.empty() && ::isatty(inFd) != 0;

    // A real pendant unless the keyboard was asked for or none is found.
    std::unique_ptr<HidrawSystem> hidraw;
    std::unique_ptr<EventLoopWindowSystem> eventLoop;
    std::optional<RealSystem> real;
    ScreenContext context;
    if (!options.keyboard) {
        hidraw = std::make_unique<HidrawSystem>();
        LiveHid view(*hidraw, options.device);
        const std::vector<SeenDevice> seen = ScanDevices(view, &HidrawOpenProblem);
        if (!options.device.empty() && seen.empty())
            context.notes.push_back(options.device + " is not present: plug the pendant in");
        else
            context.notes = DescribeScan(seen);
        if (!options.device.empty() || FirstPendant(seen) != nullptr) {
            eventLoop = std::make_unique<EventLoopWindowSystem>();
            real.emplace(RealSystem{*hidraw, *eventLoop, options.device});
        } else {
            context.notes.push_back("so the keyboard drives a virtual pendant (the keys below)");
        }
    }
    const bool scripted = !real && !keysFromTerminal;
    if (real && !options.script.empty()) {
        err << "k7sim live: --script needs the virtual pendant (--keyboard): a real pendant "
               "runs in real time\n";
        return 2;
    }

    // Written by the plug-in's own session recorder.
    std::unique_ptr<SessionFile> record;
    if (!options.record.empty()) {
        std::string why;
        record = PosixSessionStorage::OpenFile(options.record, false, why);
        if (record == nullptr) {
            err << "k7sim live: " << why << "\n";
            return 2;
        }
        context.recordPath = options.record;
    }
    const std::string profile = options.profile.empty() ? DefaultProfilePath() : options.profile;
    context.scripted = scripted;

    try {
        LiveSession session(profile, real ? &*real : nullptr, std::move(record));
        Input input(inFd, scripted);
        Runner runner(session, input, scripted, options.updateMs);
        runner.pump = eventLoop.get();
        runner.context = context;
        std::unique_ptr<Terminal> terminal;
        if (keysFromTerminal) {
            terminal = std::make_unique<Terminal>(inFd, STDOUT_FILENO);
            runner.terminal = terminal.get();
        } else {
            for (const std::string& note : context.notes) out << note << '\n';
            session.onLog = [&out, &runner](const std::string& line) {
                char stamp[32];
                std::snprintf(stamp, sizeof stamp, "[%9.3f s] ",
                              static_cast<double>(runner.EventTime()) / 1000.0);
                out << stamp << line << '\n';
            };
        }
        session.Start();
        runner.Run();
        terminal.reset();
        session.onLog = nullptr;
        if (!keysFromTerminal) {
            out << '\n';
            PrintPlain(out, runner.finalStatus);
        } else {
            out << "k7sim live: stopped after " << runner.Now() / 1000.0 << " s, "
                << session.ticks() << " ticks, " << session.updates() << " updates\n";
        }
        if (!options.record.empty())
            out << "recorded to " << options.record << "; replay: k7sim run " << options.record
                << '\n';
    } catch (const std::exception& e) {
        err << "k7sim live: " << e.what() << '\n';
        return 1;
    }
    if (inFd != STDIN_FILENO) ::close(inFd);
    return 0;
}

}  // namespace k7::sim::live
