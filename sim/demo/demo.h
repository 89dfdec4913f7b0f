// `k7sim demo`: a built-in, narrated session on the simulated host.
#pragma once

namespace k7::sim {

// Plays the session on standard output; returns the exit status.
int RunDemo();

}  // namespace k7::sim
