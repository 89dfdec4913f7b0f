#include "sim/trace/runner.h"

#include <fstream>
#include <memory>
#include <ostream>
#include <stdexcept>

namespace k7::sim::trace {
namespace {

// The file's lines without their line ends (a CR before the LF included).
bool ReadLines(const std::string& file, std::vector<std::string>& lines) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return !in.bad();
}

}  // namespace

int RunSteps(const std::string& file, const std::vector<Step>& steps, Session& session,
             std::ostream& err, bool keepOnlyCheckedEffects) {
    std::size_t checksLeft = 0;
    if (keepOnlyCheckedEffects)
        for (const Step& step : steps) checksLeft += step.checksEffects;
    for (const Step& step : steps) {
        if (keepOnlyCheckedEffects) session.host.SetRecording(checksLeft != 0);
        checksLeft -= step.checksEffects;
        session.line = step.line;
        // A failure inside a block names the block's line that failed: the
        // block moves session.line as it runs.
        try {
            step.action(session);
            session.ThrowInsideFailure();
        } catch (const Malformed& malformed) {
            err << file << ':' << session.line << ": " << malformed.reason << '\n';
            return kTraceMalformed;
        } catch (const CheckFailed& failed) {
            err << file << ':' << session.line << ": expected " << failed.expected << ", got "
                << failed.got << '\n';
            return kCheckFailed;
        } catch (const std::exception& e) {
            err << file << ':' << session.line << ": " << e.what() << '\n';
            return kTraceMalformed;
        }
        session.DropCheckedEffects();
    }
    // An `inside` whose call never came tested nothing.
    if (const int line = session.insideWaiting()) {
        err << file << ':' << line << ": expected the host call " << session.insideCall()
            << ", got nothing\n";
        return kCheckFailed;
    }
    return kTracePassed;
}

int RunTrace(const std::string& file, bool verbose, std::ostream& out, std::ostream& err) {
    std::vector<std::string> lines;
    if (!ReadLines(file, lines)) {
        err << file << ": cannot read the file\n";
        return kTraceMalformed;
    }
    std::vector<Step> steps;
    try {
        steps = ParseTrace(lines);
    } catch (const LineError& error) {
        err << file << ':' << error.line << ": " << error.reason << '\n';
        return kTraceMalformed;
    }
    std::unique_ptr<Session> session;
    try {
        session = std::make_unique<Session>(file, verbose, out);
    } catch (const std::exception& e) {
        err << file << ": " << e.what() << '\n';
        return kTraceMalformed;
    }
    return RunSteps(file, steps, *session, err, true);
}

int RunTraces(const std::vector<std::string>& files, bool verbose, std::ostream& out,
              std::ostream& err) {
    for (const std::string& file : files) {
        const int status = RunTrace(file, verbose, out, err);
        if (status != kTracePassed) return status;
    }
    return kTracePassed;
}

}  // namespace k7::sim::trace
