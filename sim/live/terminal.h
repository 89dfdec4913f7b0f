// The terminal in live mode: raw keys (no line editing, no echo, Ctrl-C
// still a signal), the alternate screen redrawn in place with plain ANSI
// sequences, and the terminal put back as it was however the program ends:
// on `q`, on Ctrl-C or another stop signal, on an error, and on a crash.
#pragma once

#include <string>
#include <vector>

namespace k7::sim::live {

// SIGINT, SIGTERM and SIGHUP ask the session to stop; the crash signals put the
// terminal back before the program dies.
void InstallStopSignals();
bool StopRequested();

class Terminal {
  public:
    // Enters raw mode on inFd and the alternate screen on outFd. Throws
    // std::runtime_error when inFd is no terminal.
    Terminal(int inFd, int outFd);
    // Puts everything back.
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Redraws the screen in place: each line cut to the width, the rest cleared.
    void Draw(const std::vector<std::string>& lines);
    std::size_t width() const;
    std::size_t height() const;

  private:
    int out_;
};

// The line cut to `width` visible columns; escape sequences take none.
std::string FitToWidth(const std::string& line, std::size_t width);

}  // namespace k7::sim::live
