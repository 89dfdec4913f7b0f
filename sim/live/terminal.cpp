#include "sim/live/terminal.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace k7::sim::live {
namespace {

// Leaves the alternate screen, shows the cursor, resets the colours.
constexpr char kLeave[] = "\x1b[0m\x1b[?25h\x1b[?1049l";
constexpr char kEnter[] = "\x1b[?1049h\x1b[?25l\x1b[H\x1b[2J";

volatile sig_atomic_t stopRequested = 0;

// What a crash handler needs to put the terminal back: only async-signal-safe
// calls use it.
struct Saved {
    bool active = false;
    int in = -1;
    int out = -1;
    termios mode{};
} saved;

void WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void Restore() {
    if (!saved.active) return;
    saved.active = false;
    WriteAll(saved.out, kLeave, sizeof kLeave - 1);
    ::tcsetattr(saved.in, TCSAFLUSH, &saved.mode);
}

void OnStop(int) {
    stopRequested = 1;
}

void OnCrash(int signal) {
    Restore();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void InstallStopSignals() {
    struct sigaction stop {};
    stop.sa_handler = &OnStop;
    sigemptyset(&stop.sa_mask);
    // No SA_RESTART: a wait in poll() ends at once, and the loop sees the request.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &stop, nullptr);
    struct sigaction crash {};
    crash.sa_handler = &OnCrash;
    sigemptyset(&crash.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        ::sigaction(signal, &crash, nullptr);
}

bool StopRequested() {
    return stopRequested != 0;
}

Terminal::Terminal(int inFd, int outFd) : out_(outFd) {
    termios mode{};
    if (::tcgetattr(inFd, &mode) != 0)
        throw std::runtime_error(std::string("the keys are not a terminal: ") +
                                 std::strerror(errno));
    saved.in = inFd;
    saved.out = outFd;
    saved.mode = mode;
    // Keys one at a time without echo; Ctrl-C stays a signal, Ctrl-Z does nothing
    // (a stopped program would leave the terminal raw).
    mode.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | IEXTEN));
    mode.c_lflag |= ISIG;
    mode.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL | INLCR | ISTRIP));
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    mode.c_cc[VSUSP] = _POSIX_VDISABLE;
    if (::tcsetattr(inFd, TCSAFLUSH, &mode) != 0)
        throw std::runtime_error(std::string("cannot set the terminal: ") + std::strerror(errno));
    saved.active = true;
    WriteAll(out_, kEnter, sizeof kEnter - 1);
}

Terminal::~Terminal() {
    Restore();
}

std::size_t Terminal::width() const {
    winsize size{};
    if (::ioctl(out_, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
    return size.ws_col;
}

std::size_t Terminal::height() const {
    winsize size{};
    if (::ioctl(out_, TIOCGWINSZ, &size) != 0 || size.ws_row == 0) return 24;
    return size.ws_row;
}

std::string FitToWidth(const std::string& line, std::size_t width) {
    std::string out;
    std::size_t columns = 0;
    bool styled = false;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == '\x1b') {
            // A control sequence: ESC [ parameters, then a final byte.
            std::size_t end = i + 1;
            if (end < line.size() && line[end] == '[') {
                ++end;
                while (end < line.size() && (line[end] < 0x40 || line[end] > 0x7e)) ++end;
            }
            end = std::min(end + 1, line.size());
            out.append(line, i, end - i);
            styled = true;
            i = end;
            continue;
        }
        if (columns == width) {
            ++i;
            continue;
        }
        out += line[i++];
        ++columns;
    }
    if (styled) out += "\x1b[0m";
    return out;
}

void Terminal::Draw(const std::vector<std::string>& lines) {
    const std::size_t columns = width();
    const std::size_t rows = height();
    std::string frame = "\x1b[H";
    for (std::size_t i = 0; i < lines.size() && i < rows; ++i) {
        if (i > 0) frame += "\r\n";
        frame += FitToWidth(lines[i], columns);
        frame += "\x1b[K";
    }
    frame += "\x1b[J";
    WriteAll(out_, frame.data(), frame.size());
}

}  // namespace k7::sim::live
