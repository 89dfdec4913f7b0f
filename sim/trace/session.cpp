#include "sim/trace/session.h"
#include "protocol/pendant_protocol.h"

#include <stdlib.h>

#include <ostream>
#include <stdexcept>
#include <system_error>

#include "host/host_string.h"

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
    if (verbose_) {
        host.onEffect = &PrintEffect;
        host.effectContext = this;
    }
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
    hid.QueueReport(report);
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
