#include "tests/support/memory_dom.h"

#include <cctype>
#include <memory>

namespace k7::test {

struct MemoryNode {
    std::string name;  // empty: a text node
    std::string text;
    MemoryNode* parent = nullptr;
    std::vector<std::unique_ptr<MemoryNode>> children;
};

namespace {

MemoryNode* Node(XmlElement e) {
    return static_cast<MemoryNode*>(e.node);
}

// Parses elements and text; false on anything outside the subset.
class Parser {
  public:
    explicit Parser(const std::string& text) : text_(text) {}

    bool ParseDocument(MemoryNode& document) {
        return ParseElement(document) && at_ == text_.size() && document.children.size() == 1;
    }

  private:
    bool ParseElement(MemoryNode& parent) {
        if (!Eat('<')) return false;
        auto element = std::make_unique<MemoryNode>();
        element->parent = &parent;
        element->name = Name();
        if (element->name.empty()) return false;
        MemoryNode& self = *element;
        parent.children.push_back(std::move(element));
        if (Eat('/')) return Eat('>');
        if (!Eat('>')) return false;
        for (;;) {
            if (at_ >= text_.size()) return false;
            if (text_.compare(at_, 2, "</") == 0) break;
            if (text_[at_] == '<') {
                if (!ParseElement(self)) return false;
                continue;
            }
            auto text = std::make_unique<MemoryNode>();
            text->parent = &self;
            while (at_ < text_.size() && text_[at_] != '<') text->text += text_[at_++];
            self.children.push_back(std::move(text));
        }
        at_ += 2;
        return Name() == self.name && Eat('>');
    }
    std::string Name() {
        std::string name;
        while (at_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_'))
            name += text_[at_++];
        return name;
    }
    bool Eat(char c) {
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

void CollectText(const MemoryNode& node, std::string& out) {
    if (node.name.empty()) out += node.text;
    for (const auto& child : node.children) CollectText(*child, out);
}

}  // namespace

class MemoryDocument final : public XmlDocument {
  public:
    explicit MemoryDocument(MemoryDom& dom) : dom_(dom) {}

    bool Parse(const std::string& bytes) override {
        document_.children.clear();
        if (Parser(bytes).ParseDocument(document_)) return true;
        document_.children.clear();
        return false;
    }
    XmlElement Root() override {
        return document_.children.empty() ? XmlElement{} : XmlElement{document_.children[0].get()};
    }
    XmlElement AppendRoot(std::string_view name) override { return Append(document_, name); }
    XmlElement FirstChild(XmlElement parent, std::string_view name) override {
        dom_.lookups.emplace_back(name);
        for (const auto& child : Node(parent)->children) {
            if (child->name == name) return XmlElement{child.get()};
        }
        return {};
    }
    XmlElement AppendChild(XmlElement parent, std::string_view name) override {
        return Append(*Node(parent), name);
    }
    void Remove(XmlElement element) override {
        auto& siblings = Node(element)->parent->children;
        for (auto it = siblings.begin(); it != siblings.end(); ++it) {
            if (it->get() == Node(element)) {
                siblings.erase(it);
                return;
            }
        }
    }
    std::string Text(XmlElement element) override {
        std::string text;
        CollectText(*Node(element), text);
        return text;
    }
    void SetText(XmlElement element, std::string_view text) override {
        MemoryNode* node = Node(element);
        node->children.clear();
        auto child = std::make_unique<MemoryNode>();
        child->parent = node;
        child->text = std::string(text);
        node->children.push_back(std::move(child));
    }

  private:
    XmlElement Append(MemoryNode& parent, std::string_view name) {
        auto child = std::make_unique<MemoryNode>();
        child->name = std::string(name);
        child->parent = &parent;
        parent.children.push_back(std::move(child));
        return XmlElement{parent.children.back().get()};
    }

    MemoryDom& dom_;
    MemoryNode document_;
};

std::unique_ptr<XmlDocument> MemoryDom::CreateDocument() {
    return std::make_unique<MemoryDocument>(*this);
}

FileRead MemoryDom::Read(const std::string& path, std::string& bytes) {
    bytes.clear();
    if (failAt == FileStep::Read) return FileRead::Failed;
    const auto file = files_.find(path);
    if (file == files_.end()) return FileRead::Missing;
    bytes = file->second;
    return FileRead::Read;
}

std::string MemoryDom::CreateUnique(const std::string& target) {
    if (failAt == FileStep::CreateUnique) return {};
    std::string path;
    do {
        path = target + ".k7-save-" + std::to_string(++created_);
    } while (files_.count(path) != 0);
    files_[path];
    return path;
}

bool MemoryDom::Write(const std::string& path, const std::string& bytes) {
    if (failAt == FileStep::Write) {
        files_[path] = bytes.substr(0, failedWriteKeeps);
        return false;
    }
    files_[path] = bytes;
    return true;
}

bool MemoryDom::Replace(const std::string& source, const std::string& target) {
    if (failAt == FileStep::Replace) return false;
    const auto file = files_.find(source);
    if (file == files_.end()) return false;
    files_[target] = file->second;
    files_.erase(file);
    ++saves;
    return true;
}

std::optional<std::string> MemoryDom::File(const std::string& path) const {
    const auto file = files_.find(path);
    if (file == files_.end()) return std::nullopt;
    return file->second;
}

}  // namespace k7::test
