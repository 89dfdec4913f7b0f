// The host's string object, in one place so that it can be matched to a host's
// string class without touching anything else.
//
// Representation: one pointer to zero-terminated 8-bit text, or null for the
// empty string. The text lives in a heap block from the C runtime's malloc,
// shared by host and plug-in, and a 32-bit capacity is kept just before the text
// so that assignment reuses the block when the new text fits (the tick then
// sets its messages without allocating).
#pragma once

#include <cstddef>

namespace k7 {

struct HostString {
    char* text = nullptr;
};

// Text of a string object ("" for the empty one).
const char* HostStringText(const HostString& s);

// A new string object holding a copy of text (what a host passes by value).
HostString HostStringCreate(const char* text);

// Replaces the contents; reuses the block when it is large enough. Returns false,
// leaving the old text, when memory runs out.
bool HostStringAssign(HostString& s, const char* text);

// Frees the text; the object becomes the empty string.
void HostStringRelease(HostString& s);

// The same operations on a string object stored in raw host memory.
const char* HostStringTextAt(const void* block, std::size_t offset);
bool HostStringAssignAt(void* block, std::size_t offset, const char* text);
void HostStringReleaseAt(void* block, std::size_t offset);

}  // namespace k7
