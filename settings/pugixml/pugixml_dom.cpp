#include "settings/pugixml/pugixml_dom.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <pugixml.hpp>

#include "settings/pugixml/posix_file.h"

namespace k7 {
namespace {

// Everything the host wrote is kept: comments, processing instructions, the
// doctype, whitespace between elements (also outside the root, which only the
// fragment mode keeps) and line ends as they are, so that a round trip changes
// as little of the host's file as possible.
constexpr unsigned kParseOptions =
    (pugi::parse_full | pugi::parse_ws_pcdata | pugi::parse_fragment) & ~pugi::parse_eol;
// Written back as parsed: no indentation added, no declaration invented.
constexpr unsigned kSaveOptions = pugi::format_raw | pugi::format_no_declaration;

pugi::xml_node Node(XmlElement element) {
    return pugi::xml_node(static_cast<pugi::xml_node_struct*>(element.node));
}

XmlElement Handle(pugi::xml_node node) {
    return XmlElement{node.internal_object()};
}

bool IsBlank(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r') return false;
    }
    return true;
}

// The fragment mode accepts what a profile must not be: no root, several
// roots, or text outside the root. Such a file is not a profile the store
// may rewrite.
bool IsSingleRootDocument(const pugi::xml_document& document) {
    int elements = 0;
    for (const pugi::xml_node node : document.children()) {
        if (node.type() == pugi::node_element) ++elements;
        if (node.type() == pugi::node_cdata) return false;
        if (node.type() == pugi::node_pcdata && !IsBlank(node.value())) return false;
    }
    return elements == 1;
}

bool StartsWithByteOrderMark(const std::string& bytes) {
    static constexpr unsigned char kMarks[][4] = {
        {3, 0xEF, 0xBB, 0xBF}, {2, 0xFE, 0xFF}, {2, 0xFF, 0xFE}};
    for (const auto& mark : kMarks) {
        if (bytes.size() >= mark[0] &&
            bytes.compare(0, mark[0], reinterpret_cast<const char*>(mark + 1), mark[0]) == 0)
            return true;
    }
    return false;
}

class StringWriter final : public pugi::xml_writer {
  public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, size_t size) override {
        out_.append(static_cast<const char*>(data), size);
    }

  private:
    std::string& out_;
};

class PugiXmlDocument final : public XmlDocument {
  public:
    explicit PugiXmlDocument(bool durable) : durable_(durable) {}
    XmlLoad Load(const std::string& path) override;
    bool Save(const std::string& path) override;
    XmlElement Root() override { return Handle(document_.document_element()); }
    XmlElement AppendRoot(std::string_view name) override;
    XmlElement FirstChild(XmlElement parent, std::string_view name) override;
    XmlElement AppendChild(XmlElement parent, std::string_view name) override;
    void Remove(XmlElement element) override;
    std::string Text(XmlElement element) override;
    void SetText(XmlElement element, std::string_view text) override;

  private:
    bool durable_;
    pugi::xml_document document_;
    pugi::xml_encoding encoding_ = pugi::encoding_utf8;
    bool byteOrderMark_ = false;
};

XmlLoad PugiXmlDocument::Load(const std::string& path) {
    document_.reset();
    std::string bytes;
    const FileRead read = ReadWholeFile(path, bytes);
    if (read == FileRead::Missing) return XmlLoad::Missing;
    if (read == FileRead::Failed) return XmlLoad::Unparseable;
    if (bytes.empty()) return XmlLoad::Missing;
    const pugi::xml_parse_result result =
        document_.load_buffer(bytes.data(), bytes.size(), kParseOptions);
    if (!result || !IsSingleRootDocument(document_)) {
        document_.reset();
        return XmlLoad::Unparseable;
    }
    // Saved back in the encoding it came in, so the declaration stays true.
    encoding_ = result.encoding;
    byteOrderMark_ = StartsWithByteOrderMark(bytes);
    return XmlLoad::Loaded;
}

bool PugiXmlDocument::Save(const std::string& path) {
    std::string bytes;
    StringWriter writer(bytes);
    const unsigned bom = byteOrderMark_ ? pugi::format_write_bom : 0u;
    document_.save(writer, "", kSaveOptions | bom, encoding_);
    return WriteWholeFile(path, bytes, durable_);
}

// pugixml reports running out of memory by an empty node or a false result;
// the store hears of it as the standard library's own allocations tell it.
pugi::xml_node Named(pugi::xml_node node, std::string_view name) {
    if (!node || !node.set_name(std::string(name).c_str())) throw std::bad_alloc();
    return node;
}

XmlElement PugiXmlDocument::AppendRoot(std::string_view name) {
    return Handle(Named(document_.append_child(pugi::node_element), name));
}

XmlElement PugiXmlDocument::FirstChild(XmlElement parent, std::string_view name) {
    for (const pugi::xml_node child : Node(parent).children()) {
        if (child.type() == pugi::node_element && name == child.name()) return Handle(child);
    }
    return {};
}

XmlElement PugiXmlDocument::AppendChild(XmlElement parent, std::string_view name) {
    return Handle(Named(Node(parent).append_child(pugi::node_element), name));
}

void PugiXmlDocument::Remove(XmlElement element) {
    const pugi::xml_node node = Node(element);
    node.parent().remove_child(node);
}

std::string PugiXmlDocument::Text(XmlElement element) {
    std::string text;
    const pugi::xml_node top = Node(element);
    for (pugi::xml_node node = top.first_child(); node && node != top;) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += node.value();
        // Depth-first through the element's subtree, as a DOM's text property does.
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != top && !node.next_sibling()) node = node.parent();
        if (node != top) node = node.next_sibling();
    }
    return text;
}

void PugiXmlDocument::SetText(XmlElement element, std::string_view text) {
    pugi::xml_node node = Node(element);
    const std::string value(text);
    while (node.first_child()) node.remove_child(node.first_child());
    if (!node.append_child(pugi::node_pcdata).set_value(value.c_str())) throw std::bad_alloc();
}

}  // namespace

std::unique_ptr<XmlDocument> PugiXmlDomFactory::CreateDocument() {
    return std::make_unique<PugiXmlDocument>(durable_);
}

bool PugiXmlDomFactory::MoveReplacing(const std::string& source, const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        // Checked by the mode bits too: a privileged process passes access().
        const bool readOnly = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
        if (readOnly || ::access(target.c_str(), W_OK) != 0) return false;
        // The new file takes the place of the old one with its permissions.
        if (::chmod(source.c_str(), info.st_mode & 07777) != 0) return false;
    } else if (errno != ENOENT) {
        return false;
    }
    return std::rename(source.c_str(), target.c_str()) == 0;
}

void PugiXmlDomFactory::RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

}  // namespace k7
