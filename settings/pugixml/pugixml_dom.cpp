#include "settings/pugixml/pugixml_dom.h"

#include <new>
#include <pugixml.hpp>

namespace k7 {
namespace {

// Only read from: the store writes its edits into the host's bytes itself.
// Entities and character references are decoded, as any XML reader does;
// pugixml reads no DTD, so it fetches nothing. The fragment mode lets the
// check below see text outside the root, which the default mode drops.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_fragment;

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

class PugiXmlDocument final : public XmlDocument {
  public:
    bool Parse(const std::string& bytes) override;
    XmlElement Root() override { return Handle(document_.document_element()); }
    XmlElement AppendRoot(std::string_view name) override;
    XmlElement FirstChild(XmlElement parent, std::string_view name) override;
    XmlElement AppendChild(XmlElement parent, std::string_view name) override;
    void Remove(XmlElement element) override;
    std::string Text(XmlElement element) override;
    void SetText(XmlElement element, std::string_view text) override;

  private:
    pugi::xml_document document_;
};

bool PugiXmlDocument::Parse(const std::string& bytes) {
    document_.reset();
    const pugi::xml_parse_result result =
        document_.load_buffer(bytes.data(), bytes.size(), kParseOptions);
    if (result && IsSingleRootDocument(document_)) return true;
    document_.reset();
    return false;
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
    return std::make_unique<PugiXmlDocument>();
}

}  // namespace k7
