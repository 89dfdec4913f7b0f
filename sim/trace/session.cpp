#include "sim/trace/session.h"
#include "protocol/pendant_protocol.h"

#include <stdlib.h>

#include <ostream>
#include <stdexcept>
#include <system_error>

#include "host/host_string.h"
#include "sim/trace/commands.h"

namespace k7::sim::trace {

InputReport PendantModel::Report() const {
    InputReport report;
    report.bytes[1] = wheel;
    report.bytes[2] = speed;
    report.bytes[3] = keys3;
    report.bytes[4] = keys4;
    return report;
}

std::string DescribeEffect(const Effect& effect) {
    if (effect.kind != Effect::Kind::Dro) return effect.Describe();
    return "dro " + std::to_string(effect.code) + " " + TraceNumber(effect.value);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "k7sim-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary directory for the profile");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

Session::Session(std::string file, bool verbose, std::ostream& out)
    : platform{&hid, &windows, &xml, nullptr, "K7"},
      plugin(platform),
      profilePath(dir.path() / "profile.xml"),
      file_(std::move(file)),
      verbose_(verbose),
      out_(out) {
    xml.SetDurable(false);
    ObserveEffects();
}

void Session::RecordInto(const std::string& folder) {
    sessions_.emplace(folder);
    platform.sessions = &*sessions_;
    plugin.RecordNextSession();
    paced_ = true;
}

// Effects are watched only when something needs them: each one watched costs
// a copy, which long traces should not pay.
void Session::ObserveEffects() {
    const bool watch = verbose_ || inside_.has_value();
    host.onEffect = watch ? &OnEffect : nullptr;
    host.effectContext = watch ? this : nullptr;
}

void Session::OnEffect(const Effect& effect, void* context) {
    auto& session = *static_cast<Session*>(context);
    if (session.verbose_) PrintEffect(effect, context);
    if (session.inside_ && EffectMatches(effect, session.inside_->call)) session.RunInside();
}

void Session::RunInside() {
    Inside inside = std::move(*inside_);
    inside_.reset();
    ObserveEffects();
    const int line = this->line;
    this->line = inside.line;
    try {
        inside.command(*this);
    } catch (...) {
        if (!insideFailure_) {
            insideFailure_ = std::current_exception();
            insideFailureLine_ = inside.line;
        }
    }
    this->line = line;
}

void Session::ArmInside(const Args& args, const Effect& call, std::string described,
                        std::function<void(Session&)> command) {
    if (inside_)
        args.Fail("the `inside` of line " + std::to_string(inside_->line) +
                  " still waits for its call");
    inside_ = Inside{call, std::move(described), std::move(command), line};
    ObserveEffects();
}

void Session::ThrowInsideFailure() {
    if (!insideFailure_) return;
    std::exception_ptr failure = insideFailure_;
    insideFailure_ = nullptr;
    line = insideFailureLine_;
    std::rethrow_exception(failure);
}

Session::~Session() {
    // Effects of the unload (the plug-in going first) come after the trace and
    // after the file name and stream this would print them with.
    host.onEffect = nullptr;
}

void Session::PrintEffect(const Effect& effect, void* context) {
    const auto& session = *static_cast<const Session*>(context);
    session.out_ << session.file_ << ':' << session.line << ": " << DescribeEffect(effect) << '\n';
}

void Session::RequireStarted(const Args& args) const {
    if (!started) args.Fail("the plug-in has not been started (no `start` before this line)");
}

void Session::RequireNotStarted(const Args& args) const {
    if (started) args.Fail("only allowed before `start`");
}

void Session::Start() {
    if (!devicesListed && !noDevice)
        hid.AddDevice("sim-pendant-0", kPendantVendorId, kPendantProductId);
    pluginName = plugin.SetProName(HostStringCreate(profilePath.string().c_str()));
    host.Install(plugin);
    plugin.InitControl(host.engine(), host.setup(), host.planner(), host.view());
    plugin.PostInitControl();
    started = true;
}

void Session::Queue(const Args& args, InputReport report) {
    if (hid.LateReportWaiting())
        args.Fail("a late report is still queued; queue nothing else until a tick has read it");
    if (groupLeft_ == 0) {
        hid.QueueReport(report);
        return;
    }
    if (report.late) args.Fail("`late` inside a `together` group");
    report.withPrevious = !group_.empty();
    group_.push_back(report);
    if (--groupLeft_ != 0) return;
    for (const InputReport& member : group_) hid.QueueReport(member);
    group_.clear();
}

void Session::BeginGroup(const Args& args, std::int64_t n) {
    if (groupLeft_ != 0) args.Fail("`together` while the previous group is still being filled");
    groupLeft_ = n;
}

const Effect* Session::NextEffect() {
    const auto& effects = host.effects();
    return checkedEffects < effects.size() ? &effects[checkedEffects] : nullptr;
}

void Session::DropCheckedEffects() {
    auto& effects = host.effects();
    if (checkedEffects == 0) return;
    if (checkedEffects >= effects.size()) {
        effects.clear();
        checkedEffects = 0;
    } else if (checkedEffects >= 1024 && checkedEffects * 2 >= effects.size()) {
        effects.erase(effects.begin(),
                      effects.begin() + static_cast<std::ptrdiff_t>(checkedEffects));
        checkedEffects = 0;
    }
}

}  // namespace k7::sim::trace
