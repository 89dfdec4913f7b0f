#include "host/host_string.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/host_abi.h"

namespace k7 {
namespace {

// The block is [uint32 capacity][pad to 8][text ...]; capacity counts text bytes
// including the terminator.
constexpr std::size_t kHeader = 8;
constexpr std::size_t kMinCapacity = 64;

std::uint32_t CapacityOf(const char* text) {
    std::uint32_t capacity = 0;
    std::memcpy(&capacity, text - kHeader, sizeof capacity);
    return capacity;
}

char* Allocate(std::size_t capacity) {
    auto* block = static_cast<char*>(std::malloc(kHeader + capacity));
    if (block == nullptr) return nullptr;
    const auto stored = static_cast<std::uint32_t>(capacity);
    std::memcpy(block, &stored, sizeof stored);
    return block + kHeader;
}

}  // namespace

const char* HostStringText(const HostString& s) {
    return s.text != nullptr ? s.text : "";
}

HostString HostStringCreate(const char* text) {
    HostString s;
    HostStringAssign(s, text);
    return s;
}

bool HostStringAssign(HostString& s, const char* text) {
    if (text == nullptr) text = "";
    const std::size_t needed = std::strlen(text) + 1;
    if (s.text != nullptr && needed <= CapacityOf(s.text)) {
        std::memmove(s.text, text, needed);
        return true;
    }
    if (needed > UINT32_MAX - kHeader) return false;
    char* fresh = Allocate(needed < kMinCapacity ? kMinCapacity : needed);
    if (fresh == nullptr) return false;
    std::memcpy(fresh, text, needed);
    HostStringRelease(s);
    s.text = fresh;
    return true;
}

void HostStringRelease(HostString& s) {
    if (s.text != nullptr) std::free(s.text - kHeader);
    s.text = nullptr;
}

const char* HostStringTextAt(const void* block, std::size_t offset) {
    return HostStringText(ReadField<HostString>(block, offset));
}

bool HostStringAssignAt(void* block, std::size_t offset, const char* text) {
    auto s = ReadField<HostString>(block, offset);
    const bool ok = HostStringAssign(s, text);
    WriteField(block, offset, s);
    return ok;
}

void HostStringReleaseAt(void* block, std::size_t offset) {
    auto s = ReadField<HostString>(block, offset);
    HostStringRelease(s);
    WriteField(block, offset, s);
}

}  // namespace k7
