// Nothing may leave the plug-in as an exception: the host is C, and a window
// procedure returns into the system's frames. Work that ran out of memory (or
// failed in a platform adapter) is abandoned where it stood; every step leaves
// the plug-in usable or without a window, and a store that did not finish
// writes nothing.
#pragma once

namespace k7 {

template <typename Work>
void Guarded(Work&& work) noexcept {
    try {
        work();
    } catch (...) {
    }
}

}  // namespace k7
