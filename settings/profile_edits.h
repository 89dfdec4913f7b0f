// The store's changes written into the host's own bytes. The profile is the
// host's file: the plug-in changes the few elements of its keys and leaves
// every other byte as the host wrote it (references, comments, quoting, line
// ends, declaration, byte order mark), which no XML library's serialiser does.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace k7 {

// What one store did to one key.
struct KeyEdit {
    std::string section;
    std::string key;
    // How many elements of this name GetInt removed for having no value: the
    // first ones of the name in the section.
    int removed = 0;
    // The value text SetInt left, and when it was first written (keys that
    // have to be created are appended in that order).
    std::optional<std::string> text;
    unsigned writeOrder = 0;
};

// base with the edits made: each written key's content replaced in the first
// remaining element of its name, removed elements cut out, keys without an
// element appended to their section and sections without an element appended
// to the root, in write order; every other byte unchanged. An empty base (no
// file) gives "<profile>" with the written sections. nullopt when base cannot
// be edited so: no root element found, section or key names that are not
// plain ASCII names, or an encoding whose units are not 1, 2 or 4 bytes.
std::optional<std::string> WriteEdits(const std::string& base, std::span<const KeyEdit> edits);

}  // namespace k7
