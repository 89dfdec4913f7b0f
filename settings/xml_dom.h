// The small XML DOM the profile store reads through, with one adapter per
// platform (pugixml on Linux and in the simulator, the MSXML DOM document on
// Windows), and the file operations its saves are made of. Only what the store
// needs: parse the profile's bytes, the root element, child elements found by
// exact name, appended elements, removal, and text. The store never has the
// library write the file: it writes its own edits into the host's bytes.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "settings/profile_files.h"

namespace k7 {

// An element of one document, valid while that document lives. A null handle
// stands for "no element".
struct XmlElement {
    void* node = nullptr;
    explicit operator bool() const { return node != nullptr; }
};

class XmlDocument {
  public:
    virtual ~XmlDocument() = default;

    // Replaces the document with the one in bytes (a whole file, in any
    // encoding the library detects). False, leaving the document empty, unless
    // the bytes are a well-formed document with exactly one root element.
    // Nothing outside the bytes is ever fetched: no external DTD or entity.
    virtual bool Parse(const std::string& bytes) = 0;

    // The root element, or null when the document has none.
    virtual XmlElement Root() = 0;
    // Creates an element and appends it to the document as its root.
    virtual XmlElement AppendRoot(std::string_view name) = 0;
    // The first child element of parent whose name equals name exactly.
    virtual XmlElement FirstChild(XmlElement parent, std::string_view name) = 0;
    // Creates an element and appends it after parent's existing children.
    virtual XmlElement AppendChild(XmlElement parent, std::string_view name) = 0;
    // Detaches element from its parent; its handle must not be used afterwards.
    virtual void Remove(XmlElement element) = 0;
    // All text inside the element, concatenated in document order.
    virtual std::string Text(XmlElement element) = 0;
    // Replaces the element's whole content with one text.
    virtual void SetText(XmlElement element, std::string_view text) = 0;
};

// The platform's XML library and its files.
class XmlDomFactory {
  public:
    virtual ~XmlDomFactory() = default;

    // A new empty document, or null when the XML library is not available.
    virtual std::unique_ptr<XmlDocument> CreateDocument() = 0;
    // The file system the profile lives on.
    virtual ProfileFiles& files() = 0;
};

}  // namespace k7
