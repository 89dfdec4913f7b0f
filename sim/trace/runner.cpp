#include "sim/trace/runner.h"

#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>

namespace k7::sim::trace {
namespace {

// Runs steps one after the other on a session, reporting a failure as coming
// from file. Given the number of effect checks in the whole trace, the host
// keeps effects only while a step still to come may check them.
class StepRunner {
  public:
    StepRunner(const std::string& file, Session& session, std::ostream& err,
               std::optional<std::size_t> checksLeft)
        : file_(file), session_(session), err_(err), checksLeft_(checksLeft) {}

    // kTracePassed to go on; otherwise the exit status, the failure reported.
    int Run(const Step& step) {
        if (checksLeft_) {
            session_.host.SetRecording(*checksLeft_ != 0);
            *checksLeft_ -= step.checksEffects;
        }
        session_.line = step.line;
        // A failure inside a block names the block's line that failed: the
        // block moves session.line as it runs.
        try {
            step.action(session_);
            session_.ThrowInsideFailure();
        } catch (const Malformed& malformed) {
            return Report(malformed.reason, kTraceMalformed);
        } catch (const CheckFailed& failed) {
            return Report("expected " + failed.expected + ", got " + failed.got, kCheckFailed);
        } catch (const std::exception& e) {
            return Report(e.what(), kTraceMalformed);
        }
        session_.DropCheckedEffects();
        return kTracePassed;
    }

    // After the last step: an `inside` whose call never came tested nothing.
    int Finish() {
        const int line = session_.insideWaiting();
        if (line == 0) return kTracePassed;
        session_.line = line;
        return Report("expected the host call " + session_.insideCall() + ", got nothing",
                      kCheckFailed);
    }

  private:
    int Report(const std::string& reason, int status) {
        err_ << file_ << ':' << session_.line << ": " << reason << '\n';
        return status;
    }

    const std::string& file_;
    Session& session_;
    std::ostream& err_;
    std::optional<std::size_t> checksLeft_;
};

int CannotRead(const std::string& file, std::ostream& err) {
    err << file << ": cannot read the file\n";
    return kTraceMalformed;
}

// Reads the file's steps in order and hands each to `use`, stopping at the
// first status `use` returns other than kTracePassed, or at a malformed line.
template <typename Use>
int EachStep(const std::string& file, std::ostream& err, Use use) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return CannotRead(file, err);
    TraceReader reader(in);
    try {
        while (std::optional<Step> step = reader.Next())
            if (const int status = use(*step); status != kTracePassed) return status;
    } catch (const LineError& error) {
        err << file << ':' << error.line << ": " << error.reason << '\n';
        return kTraceMalformed;
    }
    return reader.failed() ? CannotRead(file, err) : kTracePassed;
}

}  // namespace

int RunSteps(const std::string& file, const std::vector<Step>& steps, Session& session,
             std::ostream& err, bool keepOnlyCheckedEffects) {
    std::optional<std::size_t> checks;
    if (keepOnlyCheckedEffects) {
        checks = 0;
        for (const Step& step : steps) *checks += step.checksEffects;
    }
    StepRunner runner(file, session, err, checks);
    for (const Step& step : steps)
        if (const int status = runner.Run(step); status != kTracePassed) return status;
    return runner.Finish();
}

int RunTrace(const std::string& file, bool verbose, std::ostream& out, std::ostream& err,
             const std::string& recordInto) {
    // The first reading checks every line before anything runs, and counts the
    // effect checks; the second runs the steps as it reads them.
    std::size_t checks = 0;
    int status = EachStep(file, err, [&checks](const Step& step) {
        checks += step.checksEffects;
        return kTracePassed;
    });
    if (status != kTracePassed) return status;
    std::unique_ptr<Session> session;
    try {
        session = std::make_unique<Session>(file, verbose, out);
        if (!recordInto.empty()) session->RecordInto(recordInto);
    } catch (const std::exception& e) {
        err << file << ": " << e.what() << '\n';
        return kTraceMalformed;
    }
    StepRunner runner(file, *session, err, checks);
    status = EachStep(file, err, [&runner](const Step& step) { return runner.Run(step); });
    return status != kTracePassed ? status : runner.Finish();
}

int RunTraces(const std::vector<std::string>& files, bool verbose, std::ostream& out,
              std::ostream& err, const std::string& recordInto) {
    for (const std::string& file : files) {
        const int status = RunTrace(file, verbose, out, err, recordInto);
        if (status != kTracePassed) return status;
    }
    return kTracePassed;
}

}  // namespace k7::sim::trace
