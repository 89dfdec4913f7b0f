#include "settings/profile_edits.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace k7 {
namespace {

constexpr std::size_t kNone = std::string::npos;
constexpr const char* kNewRootName = "profile";

// The profile's text as code units of its encoding. Only the markup the store
// looks for is read, and all of it is ASCII, so units are compared with ASCII
// characters and anything else is carried over as bytes.
class Units {
  public:
    // Recognises UTF-32 and UTF-16 by their byte order mark or, without one,
    // by the first '<'; anything else is read as bytes, which suits UTF-8 and
    // every single-byte encoding a profile may declare.
    explicit Units(const std::string& bytes) : bytes_(bytes) {
        const auto starts = [&bytes](std::initializer_list<int> prefix) {
            if (bytes.size() < prefix.size()) return false;
            std::size_t i = 0;
            for (const int b : prefix) {
                if (static_cast<unsigned char>(bytes[i++]) != b) return false;
            }
            return true;
        };
        if (starts({0xEF, 0xBB, 0xBF})) {
            first_ = 3;
        } else if (starts({0x00, 0x00, 0xFE, 0xFF}) || starts({0x00, 0x00, 0x00, 0x3C})) {
            first_ = bytes[2] == 0 ? 0 : 4;
            width_ = 4;
            bigEndian_ = true;
        } else if (starts({0xFF, 0xFE, 0x00, 0x00}) || starts({0x3C, 0x00, 0x00, 0x00})) {
            first_ = bytes[0] == 0x3C ? 0 : 4;
            width_ = 4;
        } else if (starts({0xFE, 0xFF}) || starts({0x00, 0x3C})) {
            first_ = bytes[0] == 0 ? 0 : 2;
            width_ = 2;
            bigEndian_ = true;
        } else if (starts({0xFF, 0xFE}) || starts({0x3C, 0x00})) {
            first_ = bytes[0] == 0x3C ? 0 : 2;
            width_ = 2;
        }
        size_ = (bytes.size() - first_) / width_;
        whole_ = (bytes.size() - first_) % width_ == 0;
    }

    bool whole() const { return whole_; }
    std::size_t size() const { return size_; }

    std::uint32_t operator[](std::size_t i) const {
        const std::size_t at = first_ + i * width_;
        std::uint32_t unit = 0;
        for (std::size_t k = 0; k < width_; ++k) {
            const std::size_t byte = bigEndian_ ? at + k : at + width_ - 1 - k;
            unit = (unit << 8) | static_cast<unsigned char>(bytes_[byte]);
        }
        return unit;
    }

    bool Is(std::size_t i, std::string_view ascii) const {
        if (i + ascii.size() > size_) return false;
        for (std::size_t k = 0; k < ascii.size(); ++k) {
            if ((*this)[i + k] != static_cast<unsigned char>(ascii[k])) return false;
        }
        return true;
    }

    std::size_t Find(std::size_t from, std::uint32_t unit) const {
        if (width_ == 1) {
            const std::size_t at =
                std::string_view(bytes_).find(static_cast<char>(unit), first_ + from);
            return at == std::string_view::npos ? kNone : at - first_;
        }
        for (std::size_t i = from; i < size_; ++i) {
            if ((*this)[i] == unit) return i;
        }
        return kNone;
    }

    // The first place at or after from where ascii stands; kNone if nowhere.
    std::size_t Find(std::size_t from, std::string_view ascii) const {
        for (std::size_t i = Find(from, static_cast<unsigned char>(ascii[0])); i != kNone;
             i = Find(i + 1, static_cast<unsigned char>(ascii[0]))) {
            if (Is(i, ascii)) return i;
        }
        return kNone;
    }

    std::size_t Byte(std::size_t unit) const { return first_ + unit * width_; }

    // ASCII text in this encoding's units.
    std::string Encode(std::string_view ascii) const {
        std::string out;
        out.reserve(ascii.size() * width_);
        for (const char c : ascii) {
            for (std::size_t k = 0; k < width_; ++k) {
                const bool low = bigEndian_ ? k == width_ - 1 : k == 0;
                out += low ? c : '\0';
            }
        }
        return out;
    }

    // The bytes of the units [from, to), as they stand.
    std::string Raw(std::size_t from, std::size_t to) const {
        return bytes_.substr(Byte(from), Byte(to) - Byte(from));
    }

  private:
    const std::string& bytes_;
    std::size_t first_ = 0;
    std::size_t width_ = 1;
    bool bigEndian_ = false;
    std::size_t size_ = 0;
    bool whole_ = true;
};

bool IsSpace(std::uint32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Where an element stands, in units. For an empty-element tag ("<a/>") the
// content and the end tag are empty places at the end of the tag.
struct Element {
    std::size_t start = 0;  // its '<'
    std::size_t nameStart = 0;
    std::size_t nameEnd = 0;
    std::size_t startTagEnd = 0;  // one past the start tag's '>'
    std::size_t contentEnd = 0;   // the '<' of its end tag
    std::size_t end = 0;          // one past its last '>'
    bool empty = false;           // written as an empty-element tag
};

bool NameIs(const Units& t, const Element& e, std::string_view ascii) {
    return e.nameEnd - e.nameStart == ascii.size() && t.Is(e.nameStart, ascii);
}

// Past a delimited construct opened at i ("<!--" ... "-->" and the like).
std::size_t Past(const Units& t, std::size_t i, std::string_view open, std::string_view close) {
    const std::size_t at = t.Find(i + open.size(), close);
    return at == kNone ? kNone : at + close.size();
}

// A start tag at i (its '<'); attribute values may hold '>' and '/'.
bool ReadStartTag(const Units& t, std::size_t i, Element& e) {
    e = Element{};
    e.start = i;
    e.nameStart = ++i;
    while (i < t.size() && !IsSpace(t[i]) && t[i] != '/' && t[i] != '>') ++i;
    e.nameEnd = i;
    if (e.nameEnd == e.nameStart) return false;
    while (i < t.size()) {
        const std::uint32_t c = t[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = t.Find(i + 1, c);
            if (close == kNone) return false;
            i = close + 1;
        } else if (c == '>') {
            e.startTagEnd = e.contentEnd = e.end = i + 1;
            return true;
        } else if (c == '/') {
            if (!t.Is(i, "/>")) return false;
            e.startTagEnd = e.contentEnd = e.end = i + 2;
            e.empty = true;
            return true;
        } else if (c == '<') {
            return false;
        } else {
            ++i;
        }
    }
    return false;
}

// An end tag at i ("</"): one past its '>', or kNone.
std::size_t EndTagEnd(const Units& t, std::size_t i, std::size_t& nameStart, std::size_t& nameEnd) {
    nameStart = i + 2;
    i = nameStart;
    while (i < t.size() && !IsSpace(t[i]) && t[i] != '>') ++i;
    nameEnd = i;
    while (i < t.size() && IsSpace(t[i])) ++i;
    return i < t.size() && t[i] == '>' ? i + 1 : kNone;
}

// The element whose start tag is at `at`, with its child elements in document
// order when children is given. The text has been parsed as well-formed XML
// before; anything unexpected is refused rather than guessed.
bool ScanElement(const Units& t, std::size_t at, Element& element, std::vector<Element>* children) {
    if (!ReadStartTag(t, at, element)) return false;
    if (element.empty) return true;
    int depth = 0;  // of the markup below the element
    Element child;
    for (std::size_t i = element.startTagEnd;;) {
        i = t.Find(i, '<');
        if (i == kNone) return false;
        if (t.Is(i, "<!--")) {
            i = Past(t, i, "<!--", "-->");
        } else if (t.Is(i, "<![CDATA[")) {
            i = Past(t, i, "<![CDATA[", "]]>");
        } else if (t.Is(i, "<?")) {
            i = Past(t, i, "<?", "?>");
        } else if (t.Is(i, "</")) {
            std::size_t nameStart = 0, nameEnd = 0;
            const std::size_t end = EndTagEnd(t, i, nameStart, nameEnd);
            if (end == kNone) return false;
            if (depth == 0) {
                if (t.Raw(nameStart, nameEnd) != t.Raw(element.nameStart, element.nameEnd))
                    return false;
                element.contentEnd = i;
                element.end = end;
                return true;
            }
            if (--depth == 0 && children != nullptr) {
                child.contentEnd = i;
                child.end = end;
                children->push_back(child);
            }
            i = end;
        } else if (t.Is(i, "<!")) {
            return false;
        } else {
            Element inner;
            if (!ReadStartTag(t, i, inner)) return false;
            if (depth == 0 && children != nullptr) {
                child = inner;
                if (inner.empty) children->push_back(child);
            }
            if (!inner.empty) ++depth;
            i = inner.end;
        }
        if (i == kNone) return false;
    }
}

// Past a document type declaration at i, internal subset included: its
// literals and comments may hold '>' and ']'.
std::size_t PastDoctype(const Units& t, std::size_t i) {
    bool inSubset = false;
    for (i += 2; i != kNone && i < t.size();) {
        const std::uint32_t c = t[i];
        if (c == '"' || c == '\'') {
            i = t.Find(i + 1, c);
            if (i != kNone) ++i;
        } else if (inSubset && t.Is(i, "<!--")) {
            i = Past(t, i, "<!--", "-->");
        } else if (inSubset && t.Is(i, "<?")) {
            i = Past(t, i, "<?", "?>");
        } else if (c == '[') {
            inSubset = true;
            ++i;
        } else if (c == ']') {
            inSubset = false;
            ++i;
        } else if (c == '>' && !inSubset) {
            return i + 1;
        } else {
            ++i;
        }
    }
    return kNone;
}

// The root element's start tag, past the declaration, comments, processing
// instructions and the document type.
std::size_t FindRoot(const Units& t) {
    for (std::size_t i = 0;;) {
        i = t.Find(i, '<');
        if (i == kNone) return kNone;
        if (t.Is(i, "<?")) {
            i = Past(t, i, "<?", "?>");
        } else if (t.Is(i, "<!--")) {
            i = Past(t, i, "<!--", "-->");
        } else if (t.Is(i, "<!DOCTYPE")) {
            i = PastDoctype(t, i);
        } else if (t.Is(i, "<!")) {
            return kNone;
        } else {
            return i;
        }
        if (i == kNone) return kNone;
    }
}

bool IsAsciiName(std::string_view name) {
    if (name.empty()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        const bool more = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!letter && !(more && i > 0)) return false;
    }
    return true;
}

// Text that stands for itself in XML: no markup, no references.
bool IsPlainText(std::string_view text) {
    for (const char c : text) {
        if (c == '<' || c == '&' || c == '>' || static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

std::string ElementText(std::string_view name, std::string_view content) {
    std::string text;
    text.append("<").append(name).append(">").append(content).append("</").append(name).append(">");
    return text;
}

// Bytes in place of the units [from, to).
struct Splice {
    std::size_t from;
    std::size_t to;
    std::string bytes;
};

// One section element of the profile with its key elements.
struct SectionAt {
    const Element* element = nullptr;  // null: not in the profile
    std::vector<Element> keys;
    std::vector<bool> removed;
    std::string appended;  // ASCII: key elements to add at its end
};

// Content added at the end of an element: before its end tag, or, for an
// empty-element tag, in place of its "/>" with an end tag after it.
Splice AppendTo(const Units& t, const Element& e, const std::string& ascii) {
    if (!e.empty) return {e.contentEnd, e.contentEnd, t.Encode(ascii)};
    return {e.end - 2, e.end,
            t.Encode(">" + ascii + "</") + t.Raw(e.nameStart, e.nameEnd) + t.Encode(">")};
}

}  // namespace

std::optional<std::string> WriteEdits(const std::string& base, std::span<const KeyEdit> edits) {
    for (const KeyEdit& edit : edits) {
        if (!IsAsciiName(edit.section) || !IsAsciiName(edit.key)) return std::nullopt;
        if (edit.text && !IsPlainText(*edit.text)) return std::nullopt;
    }
    const std::string fresh = std::string("<") + kNewRootName + "/>";
    const std::string& text = base.empty() ? fresh : base;
    const Units t(text);
    if (!t.whole()) return std::nullopt;
    const std::size_t rootAt = FindRoot(t);
    if (rootAt == kNone) return std::nullopt;
    Element root;
    std::vector<Element> rootChildren;
    if (!ScanElement(t, rootAt, root, &rootChildren)) return std::nullopt;

    std::map<std::string, SectionAt, std::less<>> sections;
    const auto sectionOf = [&](const std::string& name) -> SectionAt* {
        auto [it, added] = sections.try_emplace(name);
        SectionAt& section = it->second;
        if (!added) return &section;
        for (Element& child : rootChildren) {
            if (!NameIs(t, child, name)) continue;
            section.element = &child;
            if (!ScanElement(t, child.start, child, &section.keys)) return nullptr;
            section.removed.assign(section.keys.size(), false);
            break;
        }
        return &section;
    };
    // The first key element of that name the edits have not removed.
    const auto firstKey = [&t](SectionAt& section, std::string_view key) -> std::size_t {
        for (std::size_t i = 0; i < section.keys.size(); ++i) {
            if (!section.removed[i] && NameIs(t, section.keys[i], key)) return i;
        }
        return kNone;
    };

    std::vector<Splice> splices;
    std::vector<const KeyEdit*> toAppend;
    for (const KeyEdit& edit : edits) {
        SectionAt* section = sectionOf(edit.section);
        if (section == nullptr) return std::nullopt;
        for (int n = 0; n < edit.removed; ++n) {
            const std::size_t i = firstKey(*section, edit.key);
            if (i == kNone) break;
            section->removed[i] = true;
            splices.push_back({section->keys[i].start, section->keys[i].end, {}});
        }
        if (!edit.text) continue;
        const std::size_t i = firstKey(*section, edit.key);
        if (i == kNone) {
            toAppend.push_back(&edit);
            continue;
        }
        const Element& key = section->keys[i];
        if (key.empty) {
            splices.push_back(AppendTo(t, key, *edit.text));
        } else if (t.Raw(key.startTagEnd, key.contentEnd) != t.Encode(*edit.text)) {
            splices.push_back({key.startTagEnd, key.contentEnd, t.Encode(*edit.text)});
        }
    }

    // Created elements follow their parent's existing children, in the order
    // in which they were first written.
    std::stable_sort(toAppend.begin(), toAppend.end(), [](const KeyEdit* a, const KeyEdit* b) {
        return a->writeOrder < b->writeOrder;
    });
    std::vector<std::string> newSections;
    for (const KeyEdit* edit : toAppend) {
        SectionAt& section = sections[edit->section];
        if (section.element == nullptr && section.appended.empty())
            newSections.push_back(edit->section);
        section.appended += ElementText(edit->key, *edit->text);
    }
    std::string rootAppended;
    for (auto& [name, section] : sections) {
        if (section.element != nullptr && !section.appended.empty())
            splices.push_back(AppendTo(t, *section.element, section.appended));
    }
    for (const std::string& name : newSections)
        rootAppended += ElementText(name, sections[name].appended);
    if (!rootAppended.empty()) splices.push_back(AppendTo(t, root, rootAppended));

    if (base.empty() && splices.empty()) return base;  // nothing to create
    std::stable_sort(splices.begin(), splices.end(),
                     [](const Splice& a, const Splice& b) { return a.from < b.from; });
    std::string out;
    out.reserve(text.size() + 4096);
    std::size_t copied = 0;  // units of the text already in out, after its byte order mark
    std::size_t copiedBytes = 0;
    for (const Splice& splice : splices) {
        if (splice.from < copied) return std::nullopt;  // overlapping edits
        out.append(text, copiedBytes, t.Byte(splice.from) - copiedBytes);
        out += splice.bytes;
        copied = splice.to;
        copiedBytes = t.Byte(splice.to);
    }
    out.append(text, copiedBytes, std::string::npos);
    return out;
}

}  // namespace k7
