// `k7sim run`: each trace file in a fresh world, stopping at the first that
// does not pass.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "sim/trace/parser.h"

namespace k7::sim::trace {

inline constexpr int kTracePassed = 0;
inline constexpr int kCheckFailed = 1;
inline constexpr int kTraceMalformed = 2;

// Runs the files in order. Failures go to err as "FILE:LINE: ..."; with verbose,
// every effect goes to out as it happens. Returns the exit status.
// With recordInto, each file's session is also recorded by the plug-in's
// session recorder into that folder, as a machinist's recording would be.
int RunTraces(const std::vector<std::string>& files, bool verbose, std::ostream& out,
              std::ostream& err, const std::string& recordInto = {});

// Runs one file, read as a stream: twice, once to check every line before
// anything runs, once to run it, so its length costs no memory.
int RunTrace(const std::string& file, bool verbose, std::ostream& out, std::ostream& err,
             const std::string& recordInto = {});

// Runs parsed steps on a session, reporting a failure as coming from file.
// With keepOnlyCheckedEffects the host keeps effects only while a later step
// may check them (the steps are the whole trace), so a long trace that checks
// nothing at its end keeps no record of it.
int RunSteps(const std::string& file, const std::vector<Step>& steps, Session& session,
             std::ostream& err, bool keepOnlyCheckedEffects = false);

}  // namespace k7::sim::trace
