// Calls a function of the module through a stub that sees what the compiler
// would hide: the stack pointer just before the call and just after it, the
// result registers, and the registers the callee must preserve. The stub
// pushes the arguments itself and leaves the stack 4 bytes off a 16-byte
// boundary at the call, as a host built for 4-byte alignment may.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace k7::test {

struct ProbeResult {
    std::uint32_t espBefore = 0;  // at the call instruction, arguments pushed
    std::uint32_t espAfter = 0;   // right after the callee returned
    std::uint32_t eax = 0;
    std::uint32_t edx = 0;
    std::uint32_t ebx = 0;
    std::uint32_t esi = 0;
    std::uint32_t edi = 0;

    // Bytes of arguments the callee removed from the stack.
    std::int32_t popped() const { return static_cast<std::int32_t>(espAfter - espBefore); }
    // ebx, esi and edi hold what the stub put there before the call.
    bool preserved() const;
};

extern "C" void K7ProbeCall(const void* function, const std::uint32_t* args, std::uint32_t count,
                            ProbeResult* out);

// The values the stub loads into ebx, esi and edi before each call.
inline constexpr std::uint32_t kSavedEbx = 0x5a5a0001;
inline constexpr std::uint32_t kSavedEsi = 0x5a5a0002;
inline constexpr std::uint32_t kSavedEdi = 0x5a5a0003;

inline bool ProbeResult::preserved() const {
    return ebx == kSavedEbx && esi == kSavedEsi && edi == kSavedEdi;
}

inline ProbeResult ProbeCall(const void* function, std::initializer_list<std::uint32_t> args) {
    const std::vector<std::uint32_t> list(args);
    ProbeResult result;
    K7ProbeCall(function, list.data(), static_cast<std::uint32_t>(list.size()), &result);
    return result;
}

template <typename T>
std::uint32_t Arg(T* pointer) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

}  // namespace k7::test
