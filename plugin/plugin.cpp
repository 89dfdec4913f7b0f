#include "plugin/plugin.h"

#include "device/pendant_window.h"

namespace k7 {

Plugin::Plugin(Platform& platform) : platform_(platform) {}

Plugin::~Plugin() {
    StopPlug();
}

const char* Plugin::SetProName(HostString name) {
    state_.profileName = HostStringText(name);
    HostStringRelease(name);
    state_.pluginName = platform_.moduleTitle + kPluginNameSuffix;
    return state_.pluginName.c_str();
}

bool Plugin::InitControl(void* engine, void* setup, void* planner, void* view) {
    state_.blocks = HostBlocks{engine, setup, planner, view};
    if (window_ == nullptr && platform_.hid != nullptr) {
        window_ = std::make_unique<PendantWindow>(state_, host_, *platform_.hid);
        if (platform_.windows != nullptr) window_->Create(*platform_.windows, view);
    }
    return true;
}

void Plugin::PostInitControl() {
    if (window_ != nullptr) window_->FindPendant();
}

void Plugin::Config() {}

void Plugin::StopPlug() {
    window_.reset();
}

}  // namespace k7
