#include "sim/live/keys.h"

namespace k7::sim::live {
namespace {

constexpr char kEsc = '\x1b';

KeyKind FinalLetter(char c) {
    switch (c) {
        case 'A':
            return KeyKind::Up;
        case 'B':
            return KeyKind::Down;
        case 'C':
            return KeyKind::Right;
        case 'D':
            return KeyKind::Left;
        case 'H':
            return KeyKind::Home;
        case 'F':
            return KeyKind::End;
        case 'Z':
            return KeyKind::BackTab;
        default:
            return KeyKind::None;
    }
}

// "ESC [ n ~": the editing keys, numbered as VT terminals number them.
KeyKind TildeNumber(std::string_view number) {
    if (number == "1" || number == "7") return KeyKind::Home;
    if (number == "4" || number == "8") return KeyKind::End;
    if (number == "5") return KeyKind::PageUp;
    if (number == "6") return KeyKind::PageDown;
    return KeyKind::None;
}

// After "ESC [": parameter bytes, then one final byte from '@' to '~'.
std::size_t DecodeCsi(std::string_view bytes, Key& key) {
    std::size_t i = 2;
    while (i < bytes.size() && (bytes[i] < 0x40 || bytes[i] > 0x7e)) ++i;
    if (i == bytes.size()) return 0;
    const std::string_view parameters = bytes.substr(2, i - 2);
    key.kind = bytes[i] == '~' ? TildeNumber(parameters) : FinalLetter(bytes[i]);
    return i + 1;
}

KeyKind ControlKey(unsigned char c) {
    switch (c) {
        case '\r':
        case '\n':
            return KeyKind::Enter;
        case '\t':
            return KeyKind::Tab;
        case 0x7f:
        case 0x08:
            return KeyKind::Backspace;
        case 0x03:
            return KeyKind::Interrupt;
        case 0x14:
            return KeyKind::Tick;
        default:
            return KeyKind::None;
    }
}

}  // namespace

std::size_t DecodeKey(std::string_view bytes, bool final, Key& key) {
    key = Key{};
    if (bytes.empty()) return 0;
    const auto c = static_cast<unsigned char>(bytes[0]);
    if (c != static_cast<unsigned char>(kEsc)) {
        if (c >= 0x20 && c < 0x7f) {
            key = Key{KeyKind::Char, static_cast<char>(c)};
        } else {
            key.kind = ControlKey(c);
        }
        return 1;
    }
    if (bytes.size() == 1) {
        if (!final) return 0;
        key.kind = KeyKind::Escape;
        return 1;
    }
    if (bytes[1] == '[') {
        const std::size_t used = DecodeCsi(bytes, key);
        if (used > 0 || !final) return used;
    } else if (bytes[1] == 'O') {
        // "ESC O A": the cursor keys in application mode.
        if (bytes.size() > 2) {
            key.kind = FinalLetter(bytes[2]);
            return 3;
        }
        if (!final) return 0;
    }
    // An ESC that starts no sequence this program knows is the Escape key.
    key.kind = KeyKind::Escape;
    return 1;
}

}  // namespace k7::sim::live
