// The whole plug-in, fuzzed: the input is decoded into input reports, Update
// calls, host LED / DRO / field changes, unplugs and replugs, configurations,
// profile edits and StopPlug, run through the real plug-in object on the
// simulated host, with every invariant of the stress harness checked after
// every step (tests/support/plugin_harness.h). A broken invariant aborts with
// its description, as a sanitizer report does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/support/plugin_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace k7::test;
    InputBytes in(data, size);
    PluginHarness harness(in);
    while (!in.exhausted() && harness.violation().empty()) harness.Step(in);
    if (harness.violation().empty()) harness.Stop();
    if (!harness.violation().empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", harness.violation().c_str());
        std::abort();
    }
    return 0;
}
