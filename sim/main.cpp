// k7sim: the host simulator. `run` plays trace files against the plug-in;
// `demo` plays a built-in session; `live` runs the plug-in in real time.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "sim/demo/demo.h"
#include "sim/live/live.h"
#include "sim/trace/runner.h"

namespace {

constexpr const char* kUsage =
    "usage: k7sim run [--verbose] [--record-sessions DIR] FILE.trace [FILE.trace ...]\n"
    "       k7sim demo\n"
    "       k7sim live [--keyboard | --device /dev/hidrawN] [--profile FILE]\n"
    "                  [--record FILE.trace] [--script FILE] [--update-ms N]\n"
    "\n"
    "run      plays each trace against a freshly loaded plug-in, stopping at the\n"
    "         first that fails; exit 0 when every check held, 1 when one did not,\n"
    "         2 when a trace is malformed\n"
    "--verbose  also prints every effect as it happens\n"
    "--record-sessions DIR  the plug-in also records each session into DIR, as\n"
    "         with RecordSessions on (to check that a recording replays)\n"
    "demo     plays a built-in, narrated session\n"
    "live     runs the plug-in in real time against a real pendant, or a virtual\n"
    "         one driven from the keyboard (k7sim live --help for its keys)\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "k7sim: %s\n%s", problem, kUsage);
    return k7::sim::trace::kTraceMalformed;
}

int Run(int argc, char** argv) {
    bool verbose = false;
    std::string recordInto;
    std::vector<std::string> files;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0 && files.empty()) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--record-sessions") == 0 && files.empty()) {
            if (++i == argc) return Usage("--record-sessions needs a folder");
            recordInto = argv[i];
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) return Usage("run needs at least one trace file");
    return k7::sim::trace::RunTraces(files, verbose, std::cout, std::cerr, recordInto);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage("no command");
    const std::string command = argv[1];
    if (command == "run") return Run(argc, argv);
    if (command == "demo") return argc == 2 ? k7::sim::RunDemo() : Usage("demo takes no arguments");
    if (command == "live") {
        const std::vector<std::string> args(argv + 2, argv + argc);
        if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
            std::fputs(k7::sim::live::LiveUsage().c_str(), stdout);
            return 0;
        }
        return k7::sim::live::RunLive(args, std::cout, std::cerr);
    }
    if (command == "--help" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return Usage(("unknown command " + command).c_str());
}
