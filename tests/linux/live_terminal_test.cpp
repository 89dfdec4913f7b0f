// `k7sim live` at a terminal: however the user ends it, with `q` or with
// Ctrl-C, the plug-in stops and the terminal is handed back as it was (line
// editing, echo, the normal screen, the cursor).
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace k7::test {
namespace {

namespace fs = std::filesystem;

struct TerminalRun {
    int status = -1;
    std::string output;
    termios before{};
    termios after{};
};

// Reads what the program wrote until `until` shows up or it has exited.
bool ReadUntil(int master, std::string& output, const std::string& until, pid_t child,
               int& status) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!until.empty() && output.find(until) != std::string::npos) return true;
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 20) > 0) {
            char chunk[4096];
            const ssize_t n = ::read(master, chunk, sizeof chunk);
            if (n > 0) output.append(chunk, static_cast<std::size_t>(n));
        }
        if (until.empty() && ::waitpid(child, &status, WNOHANG) == child) return true;
    }
    return false;
}

// Runs the live mode on a new terminal, sends `keys` once its screen is up,
// and waits for it to end.
TerminalRun RunAtTerminal(const std::string& keys) {
    TerminalRun run;
    const fs::path profile = fs::temp_directory_path() / ("k7-live-" + std::to_string(::getpid()));
    int master = -1, slave = -1;
    winsize size{40, 100, 0, 0};
    if (::openpty(&master, &slave, nullptr, nullptr, &size) != 0) return run;
    ::tcgetattr(slave, &run.before);
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        ::ioctl(slave, TIOCSCTTY, 0);
        ::dup2(slave, 0);
        ::dup2(slave, 1);
        ::dup2(slave, 2);
        ::close(master);
        ::execl(K7SIM_PATH, "k7sim", "live", "--keyboard", "--profile", profile.c_str(), nullptr);
        ::_exit(127);
    }
    int status = -1;
    if (ReadUntil(master, run.output, "k7sim live:", child, status)) {
        ::write(master, keys.data(), keys.size());
        if (ReadUntil(master, run.output, "", child, status)) run.status = status;
    }
    if (run.status == -1) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    ::tcgetattr(slave, &run.after);
    ::close(master);
    ::close(slave);
    fs::remove(profile);
    return run;
}

void ExpectHandedBack(const TerminalRun& run) {
    ASSERT_TRUE(WIFEXITED(run.status)) << "status " << run.status << "\n" << run.output;
    EXPECT_EQ(WEXITSTATUS(run.status), 0) << run.output;
    constexpr tcflag_t kLocal = ICANON | ECHO | ISIG | IEXTEN;
    EXPECT_EQ(run.after.c_lflag & kLocal, run.before.c_lflag & kLocal);
    constexpr tcflag_t kInput = ICRNL | IXON;
    EXPECT_EQ(run.after.c_iflag & kInput, run.before.c_iflag & kInput);
    EXPECT_EQ(run.after.c_cc[VSUSP], run.before.c_cc[VSUSP]);
    // The screen of the session was left for the normal one, cursor shown.
    const auto entered = run.output.rfind("\x1b[?1049h");
    const auto left = run.output.rfind("\x1b[?25h\x1b[?1049l");
    ASSERT_NE(entered, std::string::npos);
    ASSERT_NE(left, std::string::npos);
    EXPECT_GT(left, entered);
    EXPECT_NE(run.output.find("k7sim live: stopped after", left), std::string::npos);
}

TEST(LiveTerminal, QuitHandsTheTerminalBack) {
    ExpectHandedBack(RunAtTerminal("q"));
}

TEST(LiveTerminal, CtrlCStopsThePlugInAndHandsTheTerminalBack) {
    // Ctrl-C reaches the program as SIGINT, as at any terminal.
    ExpectHandedBack(RunAtTerminal("\x03"));
}

}  // namespace
}  // namespace k7::test
