// Plays the user on the modal dialogs of this thread: a thread timer, which the
// dialogs' modal loops dispatch, runs one step at a time. A step returns true
// when it is done; the driver moves on to the next at the following tick. When
// the time-out passes first, every dialog and message box of the thread is
// closed so the modal call returns and the test can fail instead of hanging.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace k7::test {

class DialogDriver {
  public:
    using Step = std::function<bool()>;

    explicit DialogDriver(std::vector<Step> steps, DWORD timeoutMs = 15000)
        : steps_(std::move(steps)), deadline_(GetTickCount() + timeoutMs) {
        active_ = this;
        timer_ = SetTimer(nullptr, 0, 20, &Tick);
    }
    ~DialogDriver() {
        KillTimer(nullptr, timer_);
        active_ = nullptr;
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    bool finished() const { return next_ == steps_.size(); }
    bool timedOut() const { return timedOut_; }
    std::size_t stepsDone() const { return next_; }

    // The top-level dialog windows of this thread (class #32770).
    static std::vector<HWND> ThreadDialogs() {
        std::vector<HWND> found;
        EnumThreadWindows(GetCurrentThreadId(), &CollectDialog, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    // The open settings dialog (the window with the first function box), or null.
    static HWND SettingsWindow() {
        for (HWND window : ThreadDialogs()) {
            if (GetDlgItem(window, 4040) != nullptr) return window;
        }
        return nullptr;
    }

    // The message box showing text, or null.
    static HWND MessageBoxWith(const std::string& text) {
        for (HWND window : ThreadDialogs()) {
            HWND child = nullptr;
            while ((child = FindWindowExA(window, child, nullptr, nullptr)) != nullptr) {
                char shown[128] = {};
                GetWindowTextA(child, shown, sizeof shown);
                if (text == shown) return window;
            }
        }
        return nullptr;
    }

  private:
    // A system callback: on i686 it must be stdcall, which a lambda cannot be.
    static BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::string(name) == "#32770" && IsWindowVisible(window))
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        DialogDriver* driver = active_;
        if (driver == nullptr || driver->running_ || driver->finished()) return;
        if (driver->timedOut_ || static_cast<LONG>(GetTickCount() - driver->deadline_) >= 0) {
            // Keeps closing whatever opens until the driver is destroyed.
            driver->timedOut_ = true;
            for (HWND window : ThreadDialogs()) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        driver->running_ = true;  // a step's own modal loop must not re-enter it
        if (driver->steps_[driver->next_]()) ++driver->next_;
        driver->running_ = false;
    }

    static inline DialogDriver* active_ = nullptr;
    std::vector<Step> steps_;
    DWORD deadline_;
    UINT_PTR timer_ = 0;
    std::size_t next_ = 0;
    bool running_ = false;
    bool timedOut_ = false;
};

}  // namespace k7::test
