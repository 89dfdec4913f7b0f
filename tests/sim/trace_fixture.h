// Runs trace text in-process: on a session the test can look into, or as files
// through RunTraces, each with the status and the message k7sim would print.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/trace/runner.h"
#include "sim/trace/session.h"

namespace k7::test {
using namespace sim::trace;

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline std::string Chomp(std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

class TraceRun : public ::testing::Test {
  protected:
    // Runs the text on the fixture's session (lines count from 1 in each call);
    // returns the exit status and leaves the message in error.
    int Run(const std::string& text) {
        std::vector<sim::trace::Step> steps;
        try {
            steps = ParseTrace(Lines(text));
        } catch (const LineError& e) {
            error = "t.trace:" + std::to_string(e.line) + ": " + e.reason;
            return kTraceMalformed;
        }
        std::ostringstream err;
        const int status = RunSteps("t.trace", steps, session, err);
        error = Chomp(err.str());
        return status;
    }

    // Runs whole files, each text in its own file 1.trace, 2.trace, ...; the
    // directory is removed from the messages.
    int RunFiles(const std::vector<std::string>& texts, bool verbose = false) {
        std::vector<std::string> files;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            files.push_back((dir.path() / (std::to_string(i + 1) + ".trace")).string());
            std::ofstream(files.back()) << texts[i];
        }
        std::ostringstream out, err;
        const int status = RunTraces(files, verbose, out, err);
        error = Strip(Chomp(err.str()));
        output = Strip(out.str());
        return status;
    }

    std::string Strip(std::string text) const {
        const std::string prefix = dir.path().string() + "/";
        for (std::size_t at; (at = text.find(prefix)) != std::string::npos;)
            text.erase(at, prefix.size());
        return text;
    }

    std::ostringstream out;
    Session session{"t.trace", false, out};
    TempDir dir;
    std::string error;
    std::string output;
};

}  // namespace k7::test
