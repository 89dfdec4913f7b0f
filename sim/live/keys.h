// Keys as a terminal sends them: plain bytes, control bytes and the escape
// sequences of the cursor keys, decoded one key at a time from a byte stream
// (the terminal in raw mode, or a script file standing in for it).
#pragma once

#include <cstddef>
#include <string_view>

namespace k7::sim::live {

enum class KeyKind {
    None,  // a sequence this program has no use for
    Char,  // a printable character
    Up,
    Down,
    Left,
    Right,
    Home,
    End,
    PageUp,
    PageDown,
    Enter,
    Tab,
    BackTab,
    Backspace,
    Escape,
    Interrupt,  // Ctrl-C reaching the program as a byte (a script, or raw mode without signals)
    Tick,       // Ctrl-T: one tick of time, for scripts
};

struct Key {
    KeyKind kind = KeyKind::None;
    char ch = 0;  // the character of KeyKind::Char

    bool Is(char c) const { return kind == KeyKind::Char && ch == c; }
};

// Decodes the key at the front of bytes and returns how many bytes it took.
// Returns 0 when bytes hold only the beginning of an escape sequence and more
// may follow; when `final` says nothing more is coming, a lone ESC is Escape.
std::size_t DecodeKey(std::string_view bytes, bool final, Key& key);

}  // namespace k7::sim::live
