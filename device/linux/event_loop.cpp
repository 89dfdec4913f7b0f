#include "device/linux/event_loop.h"

#include <libudev.h>
#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace k7 {

class EventLoopWindow final : public HiddenWindow {
  public:
    EventLoopWindow(EventLoopWindowSystem& system, WindowEvents& events)
        : system_(system), events_(events) {
        system_.window_ = this;
    }
    ~EventLoopWindow() override {
        // Destroyed by a handler it is delivering to: Pump must not touch it again.
        if (destroyed_ != nullptr) *destroyed_ = true;
        if (system_.window_ == this) system_.window_ = nullptr;
        if (timer_ >= 0) ::close(timer_);
        if (monitor_ != nullptr) udev_monitor_unref(monitor_);
        if (udev_ != nullptr) udev_unref(udev_);
    }
    EventLoopWindow(const EventLoopWindow&) = delete;
    EventLoopWindow& operator=(const EventLoopWindow&) = delete;

    void StartTimer(unsigned, unsigned periodMs) override {
        if (timer_ < 0) timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (timer_ < 0 || periodMs == 0) return;
        itimerspec period{};
        period.it_interval.tv_sec = periodMs / 1000;
        period.it_interval.tv_nsec = static_cast<long>(periodMs % 1000) * 1000000L;
        period.it_value = period.it_interval;
        ::timerfd_settime(timer_, 0, &period, nullptr);
    }

    // Without a udev daemon (a container) the monitor receives nothing; the
    // pendant then works as long as it stays plugged in.
    void RegisterHidNotifications() override {
        if (monitor_ != nullptr) return;
        udev_ = udev_new();
        if (udev_ == nullptr) return;
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_ == nullptr) return;
        if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
    }

    int Pump(int timeoutMs) {
        pollfd watch[2] = {{timer_, POLLIN, 0}, {MonitorFd(), POLLIN, 0}};
        // With neither a timer nor a monitor nothing can ever arrive: waiting
        // without end would hang the host's thread for good.
        if (timeoutMs < 0 && watch[0].fd < 0 && watch[1].fd < 0) return 0;
        int ready;
        do {
            ready = ::poll(watch, 2, timeoutMs < 0 ? -1 : timeoutMs);
        } while (ready < 0 && errno == EINTR && timeoutMs < 0);
        if (ready <= 0) return 0;
        bool destroyed = false;
        destroyed_ = &destroyed;
        int delivered = 0;
        // Notices first: a tick after a removal then already sees the link closed.
        if ((watch[1].revents & POLLIN) != 0) delivered += DeliverNotices(destroyed);
        if (!destroyed && (watch[0].revents & POLLIN) != 0 && ConsumeExpirations()) {
            ++delivered;
            events_.OnTimer();
        }
        if (!destroyed) destroyed_ = nullptr;
        return delivered;
    }

  private:
    int MonitorFd() const { return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1; }

    bool ConsumeExpirations() {
        std::uint64_t expirations = 0;
        ssize_t n;
        do {
            n = ::read(timer_, &expirations, sizeof expirations);
        } while (n < 0 && errno == EINTR);
        return n == static_cast<ssize_t>(sizeof expirations) && expirations > 0;
    }

    int DeliverNotices(const bool& destroyed) {
        int delivered = 0;
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            delivered += Deliver(udev_device_get_action(device), udev_device_get_devnode(device));
            udev_device_unref(device);
            if (destroyed) break;
        }
        return delivered;
    }

    int Deliver(const char* action, const char* devnode) {
        if (action == nullptr || devnode == nullptr) return 0;
        DeviceChange change{0, kDevTypeDeviceInterface, devnode};
        if (std::strcmp(action, "add") == 0)
            change.code = kDeviceArrival;
        else if (std::strcmp(action, "remove") == 0)
            change.code = kDeviceRemoveComplete;
        else
            return 0;
        events_.OnDeviceChange(change);
        return 1;
    }

    EventLoopWindowSystem& system_;
    WindowEvents& events_;
    int timer_ = -1;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    bool* destroyed_ = nullptr;  // set while Pump delivers
};

std::unique_ptr<HiddenWindow> EventLoopWindowSystem::CreateHiddenChild(void*,
                                                                       WindowEvents& events) {
    if (window_ != nullptr) return nullptr;  // one window per module, as on Windows
    return std::make_unique<EventLoopWindow>(*this, events);
}

int EventLoopWindowSystem::Pump(int timeoutMs) {
    return window_ != nullptr ? window_->Pump(timeoutMs) : -1;
}

}  // namespace k7
