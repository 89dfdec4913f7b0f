#include "settings/profile_store.h"

#include <cstdio>

#include "settings/option_lists.h"

namespace k7 {
namespace {

constexpr const char* kRootName = "profile";

bool IsBlank(std::string_view text) {
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') return false;
    }
    return true;
}

}  // namespace

void ProfileStore::Open(XmlDomFactory* xml, const std::string& fileName) {
    Close();
    xml_ = xml;
    try {
        fileName_ = fileName;
        if (xml_ == nullptr) return;
        document_ = xml_->CreateDocument();
        if (document_ == nullptr) return;
        // An unreadable or unparseable profile is the host's, not ours to replace
        // with a near-empty document: it is read as defaults and left alone.
        saveAllowed_ = document_->Load(fileName_) != XmlLoad::Unparseable;
        if (!document_->Root() && !document_->AppendRoot(kRootName)) document_.reset();
    } catch (...) {
        // A store that could not open reads defaults and writes nothing.
        document_.reset();
    }
}

void ProfileStore::Close() {
    if (document_ != nullptr && saveAllowed_) Save();
    document_.reset();
    saveAllowed_ = false;
    sectionKnown_ = false;
}

void ProfileStore::Save() {
    if (fileName_.empty()) return;
    std::string temp;
    try {
        temp = TempPath(fileName_);
        if (document_->Save(temp) && xml_->MoveReplacing(temp, fileName_)) return;
    } catch (...) {
        // Out of memory while writing: the temporary file is removed below.
    }
    if (!temp.empty()) xml_->RemoveFile(temp);
}

XmlElement ProfileStore::Section(std::string_view section, bool create) {
    if (!sectionKnown_ || sectionName_ != section) {
        sectionKnown_ = false;
        sectionName_ = section;
        section_ = document_->FirstChild(document_->Root(), section);
        sectionKnown_ = true;
    }
    if (!section_ && create) {
        section_ = document_->AppendChild(document_->Root(), section);
        if (!section_) Failed();
    }
    return section_;
}

XmlElement ProfileStore::FindKey(std::string_view section, std::string_view key) {
    if (document_ == nullptr) return {};
    const XmlElement sectionElement = Section(section, false);
    if (!sectionElement) return {};
    return document_->FirstChild(sectionElement, key);
}

XmlElement ProfileStore::FindOrCreateKey(std::string_view section, std::string_view key) {
    if (document_ == nullptr) return {};
    const XmlElement sectionElement = Section(section, true);
    if (!sectionElement) return {};
    const XmlElement keyElement = document_->FirstChild(sectionElement, key);
    if (keyElement) return keyElement;
    const XmlElement created = document_->AppendChild(sectionElement, key);
    if (!created) Failed();
    return created;
}

std::int32_t ProfileStore::GetInt(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) {
    try {
        const XmlElement element = FindKey(section, key);
        if (!element) return defaultValue;
        const std::string text = document_->Text(element);
        // A key without a value (blanks count as none, as the host's own XML
        // library reads them) is dropped, so the next save writes it afresh.
        if (IsBlank(text)) {
            document_->Remove(element);
            return defaultValue;
        }
        return LeadingNumber(text);
    } catch (...) {
        Failed();
        return defaultValue;
    }
}

bool ProfileStore::SetInt(std::string_view section, std::string_view key, std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    try {
        const XmlElement element = FindOrCreateKey(section, key);
        if (element) document_->SetText(element, text);
    } catch (...) {
        Failed();
    }
    return true;
}

}  // namespace k7
