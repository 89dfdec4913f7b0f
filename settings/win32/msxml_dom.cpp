#include "settings/win32/msxml_dom.h"

#include <windows.h>
// After windows.h, which they need.
#include <msxml2.h>
#include <objbase.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/win32/com_text.h"

namespace k7 {
namespace {

// The DOM document class and its document interface, by id: the
// version-independent class every MSXML installation registers.
constexpr GUID kDomDocumentClass = {
    0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr GUID kDomDocumentInterface = {
    0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// One COM reference, released when the holder goes.
template <class T>
class Ref {
  public:
    Ref() = default;
    ~Ref() {
        if (p_ != nullptr) p_->Release();
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T* get() const { return p_; }
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void Reset(T* p) {
        if (p_ != nullptr) p_->Release();
        p_ = p;
    }

  private:
    T* p_ = nullptr;
};

IXMLDOMNode* Node(XmlElement element) {
    return static_cast<IXMLDOMNode*>(element.node);
}

bool IsElementNamed(IXMLDOMNode* node, std::wstring_view name) {
    DOMNodeType type = NODE_INVALID;
    if (FAILED(node->get_nodeType(&type)) || type != NODE_ELEMENT) return false;
    Bstr nodeName;
    if (FAILED(node->get_nodeName(nodeName.out()))) return false;
    return nodeName.view() == name;
}

// COM on this thread for as long as a document lives, whatever the host did:
// joined where the host has it in a single-threaded apartment, started for
// the document's use where it has none (and ended with it, balanced), used as
// it is where the thread is in the multithreaded apartment.
class ComUse {
  public:
    ComUse() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComUse() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComUse(const ComUse&) = delete;
    ComUse& operator=(const ComUse&) = delete;

  private:
    HRESULT result_;
};

class MsXmlDocument final : public XmlDocument {
  public:
    MsXmlDocument(std::unique_ptr<ComUse> com, IXMLDOMDocument* document) : com_(std::move(com)) {
        document_.Reset(document);
    }
    ~MsXmlDocument() override {
        for (IXMLDOMNode* node : held_) node->Release();
    }
    MsXmlDocument(const MsXmlDocument&) = delete;
    MsXmlDocument& operator=(const MsXmlDocument&) = delete;

    bool Parse(const std::string& bytes) override;
    XmlElement Root() override;
    XmlElement AppendRoot(std::string_view name) override;
    XmlElement FirstChild(XmlElement parent, std::string_view name) override;
    XmlElement AppendChild(XmlElement parent, std::string_view name) override;
    void Remove(XmlElement element) override;
    std::string Text(XmlElement element) override;
    void SetText(XmlElement element, std::string_view text) override;

  private:
    // Handles stay valid for the document's life: it keeps their references.
    XmlElement Hold(IXMLDOMNode* node);
    XmlElement Append(IXMLDOMNode* parent, std::string_view name);

    std::unique_ptr<ComUse> com_;  // first in, last out: after every reference is released
    Ref<IXMLDOMDocument> document_;
    std::vector<IXMLDOMNode*> held_;
};

XmlElement MsXmlDocument::Hold(IXMLDOMNode* node) {
    if (node == nullptr) return {};
    held_.push_back(node);
    return XmlElement{node};
}

bool StartsWith(const std::string& bytes, std::string_view head) {
    return bytes.compare(0, head.size(), head) == 0;
}

bool IsUtf8(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC2 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF5 ? 4
                                                 : 0;
        if (length == 0 || i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// An 8-bit profile with no encoding declared: MSXML takes it for UTF-8 and
// refuses its first byte above 127, where the pugixml store on Linux reads it
// as it stands. Declared ISO-8859-1, which gives every byte a character, it
// reads here as there (the store writes its edits into the file's own bytes,
// never through this copy).
std::string DeclaredReadable(const std::string& bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF") || StartsWith(bytes, "\xFF\xFE") ||
        StartsWith(bytes, "\xFE\xFF") || IsUtf8(bytes))
        return bytes;
    constexpr std::string_view kLatin1 = " encoding=\"ISO-8859-1\"";
    if (!StartsWith(bytes, "<?xml")) {
        return "<?xml version=\"1.0\"" + std::string(kLatin1) + "?>" + bytes;
    }
    const std::size_t end = bytes.find("?>");
    if (end == std::string::npos || bytes.substr(0, end).find("encoding") != std::string::npos)
        return bytes;
    // After the version, before a standalone declaration, as XML orders them.
    std::size_t at = bytes.find("version", 5);
    if (at == std::string::npos || at > end) return bytes;
    const std::size_t open = bytes.find_first_of("\"'", at);
    const std::size_t close = open == std::string::npos ? open : bytes.find(bytes[open], open + 1);
    if (close == std::string::npos || close > end) return bytes;
    std::string declared = bytes;
    declared.insert(close + 1, kLatin1);
    return declared;
}

bool MsXmlDocument::Parse(const std::string& file) {
    // From memory: the store has read the file itself, and MSXML detects the
    // encoding from the bytes as it would from the file.
    const std::string bytes = DeclaredReadable(file);
    Ref<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) || !stream) return false;
    ULONG written = 0;
    if (FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) ||
        written != bytes.size())
        return false;
    const LARGE_INTEGER start{};
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return false;
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_UNKNOWN;
    source.punkVal = stream.get();  // borrowed for the call
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT result = document_->load(source, &loaded);
    return SUCCEEDED(result) && loaded == VARIANT_TRUE && Root();
}

XmlElement MsXmlDocument::Root() {
    Ref<IXMLDOMElement> root;
    if (FAILED(document_->get_documentElement(root.out())) || !root) return {};
    return Hold(root.Detach());  // an element is a node: same object, same reference
}

XmlElement MsXmlDocument::Append(IXMLDOMNode* parent, std::string_view name) {
    const Bstr tag(name);
    Ref<IXMLDOMElement> element;
    if (FAILED(document_->createElement(tag.get(), element.out())) || !element) return {};
    Ref<IXMLDOMNode> appended;
    if (FAILED(parent->appendChild(element.get(), appended.out()))) return {};
    return Hold(appended.Detach());
}

XmlElement MsXmlDocument::AppendRoot(std::string_view name) {
    return Append(document_.get(), name);
}

XmlElement MsXmlDocument::AppendChild(XmlElement parent, std::string_view name) {
    return Append(Node(parent), name);
}

XmlElement MsXmlDocument::FirstChild(XmlElement parent, std::string_view name) {
    // Walked and compared by hand: the query languages' defaults differ
    // between MSXML versions.
    const std::wstring wanted = Widen(name);
    Ref<IXMLDOMNode> child;
    if (FAILED(Node(parent)->get_firstChild(child.out()))) return {};
    while (child) {
        if (IsElementNamed(child.get(), wanted)) return Hold(child.Detach());
        Ref<IXMLDOMNode> next;
        if (FAILED(child->get_nextSibling(next.out()))) return {};
        child.Reset(next.Detach());
    }
    return {};
}

void MsXmlDocument::Remove(XmlElement element) {
    Ref<IXMLDOMNode> parent;
    if (FAILED(Node(element)->get_parentNode(parent.out())) || !parent) return;
    Ref<IXMLDOMNode> removed;
    parent->removeChild(Node(element), removed.out());
}

std::string MsXmlDocument::Text(XmlElement element) {
    Bstr text;
    if (FAILED(Node(element)->get_text(text.out()))) return {};
    return text.Narrowed();
}

void MsXmlDocument::SetText(XmlElement element, std::string_view text) {
    const Bstr value(text);
    Node(element)->put_text(value.get());
}

}  // namespace

std::unique_ptr<XmlDocument> MsXmlDomFactory::CreateDocument() {
    auto com = std::make_unique<ComUse>();
    Ref<IXMLDOMDocument> document;
    if (FAILED(CoCreateInstance(kDomDocumentClass, nullptr, CLSCTX_INPROC_SERVER,
                                kDomDocumentInterface, reinterpret_cast<void**>(document.out()))))
        return nullptr;
    // Loaded synchronously, with text as it stands. Never anything from outside
    // the profile's bytes, on the host's thread: no external DTD or entity is
    // resolved and nothing is validated (MSXML 3.0 does both by default). DTDs
    // are not prohibited: that would refuse profiles with an internal subset.
    document->put_async(VARIANT_FALSE);
    document->put_preserveWhiteSpace(VARIANT_TRUE);
    document->put_resolveExternals(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
    return std::make_unique<MsXmlDocument>(std::move(com), document.Detach());
}

}  // namespace k7
