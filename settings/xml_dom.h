// The small XML DOM the profile store is written against, with one adapter per
// platform (pugixml on Linux and in the simulator, the MSXML DOM document on
// Windows). Only what the store needs: load and save a file, the root element,
// child elements found by exact name, appended elements, removal, and text.
// An adapter reports running out of memory by throwing std::bad_alloc, as the
// standard library does; the store turns it into a store that writes nothing.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace k7 {

// An element of one document, valid while that document lives. A null handle
// stands for "no element".
struct XmlElement {
    void* node = nullptr;
    explicit operator bool() const { return node != nullptr; }
};

enum class XmlLoad {
    Loaded,       // the file parsed into a document with a root element
    Missing,      // no file, or an empty one: nothing there to lose
    Unparseable,  // the file exists but could not be read or parsed
};

class XmlDocument {
  public:
    virtual ~XmlDocument() = default;

    // Replaces the document with the file's content; on anything but Loaded
    // the document is left empty.
    virtual XmlLoad Load(const std::string& path) = 0;
    // Writes the whole document to path; true only when every byte reached the file.
    virtual bool Save(const std::string& path) = 0;

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

// The platform's XML library and the file operations a safe save needs.
class XmlDomFactory {
  public:
    virtual ~XmlDomFactory() = default;

    // A new empty document, or null when the XML library is not available.
    virtual std::unique_ptr<XmlDocument> CreateDocument() = 0;
    // Puts source in the place of target in one step. False when refused (for
    // example a read-only or locked target); target is then left as it was.
    virtual bool MoveReplacing(const std::string& source, const std::string& target) = 0;
    // Deletes a file left behind by a failed save; directories are never removed.
    virtual void RemoveFile(const std::string& path) = 0;
};

}  // namespace k7
