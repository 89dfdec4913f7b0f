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
    } catch (...) {
        // No memory for the name: a store without a file reads defaults.
        fileName_.clear();
    }
}

XmlDocument* ProfileStore::Document() {
    if (loaded_) return document_.get();
    loaded_ = true;
    try {
        return Load();
    } catch (...) {
        // Memory ran out while reading: the store reads defaults, writes nothing.
        Failed();
        document_.reset();
        return nullptr;
    }
}

XmlDocument* ProfileStore::Load() {
    if (xml_ == nullptr) return nullptr;
    document_ = xml_->CreateDocument();
    if (document_ == nullptr) return nullptr;
    std::string bytes;
    const FileRead read =
        fileName_.empty() ? FileRead::Missing : xml_->files().Read(fileName_, bytes);
    if (read == FileRead::Failed) {
        load_ = XmlLoad::Unparseable;
    } else if (read == FileRead::Missing || bytes.empty()) {
        load_ = XmlLoad::Missing;
    } else {
        // An unparseable profile is the host's, not ours to replace with a
        // near-empty document: it is read as defaults and left alone.
        load_ = document_->Parse(bytes) ? XmlLoad::Loaded : XmlLoad::Unparseable;
    }
    if (!document_->Root() && !document_->AppendRoot(kRootName)) {
        Failed();
        document_.reset();
    }
    return document_.get();
}

bool ProfileStore::saveAllowed() {
    return Document() != nullptr && load_ != XmlLoad::Unparseable;
}

bool ProfileStore::Close() {
    bool saved = !changed() || fileName_.empty();
    if (document_ != nullptr && load_ != XmlLoad::Unparseable && changed() && !failed_ &&
        !fileName_.empty()) {
        try {
            saved = Save();
        } catch (...) {
            // Out of memory before the replace: the profile is as it was. A
            // temporary file already created is removed by Save's own path
            // only when the failure came from the file steps.
        }
    }
    document_.reset();
    loaded_ = false;
    load_ = XmlLoad::Unparseable;
    edits_.clear();
    writes_ = 0;
    failed_ = false;
    sectionKnown_ = false;
    return saved;
}

bool ProfileStore::Save() {
    ProfileFiles& files = xml_->files();
    // The file as it is now: what the host wrote since the load stays.
    std::string current;
    const FileRead read = files.Read(fileName_, current);
    if (read == FileRead::Failed) return false;
    if (read == FileRead::Missing) current.clear();
    // A profile that was there and is gone or empty now is in the middle of
    // someone else's write: not ours to recreate.
    if (current.empty() && load_ != XmlLoad::Missing) return false;
    const auto edited = WriteEdits(current, edits_);
    if (!edited) return false;
    if (*edited == current) return true;
    if (!ReadsBack(*edited)) return false;

    const std::string temp = files.CreateUnique(fileName_);
    if (temp.empty()) return false;
    bool replaced = false;
    try {
        replaced =
            files.Write(temp, *edited) && files.Flush(temp) && files.Replace(temp, fileName_);
    } catch (...) {
        // Out of memory in a file step: the profile is as it was.
    }
    if (!replaced) {
        files.Remove(temp);
        return false;
    }
    // The profile has been replaced whole; the flush only makes the replace
    // itself survive a crash.
    return files.FlushDirectoryOf(fileName_);
}

// The edited bytes must be a profile again, with every written key reading
// back its text through the XML library, before they may replace the file.
bool ProfileStore::ReadsBack(const std::string& bytes) {
    const std::unique_ptr<XmlDocument> check = xml_->CreateDocument();
    if (check == nullptr || !check->Parse(bytes)) return false;
    // One lookup of each section, not one per key: a host's root has many children.
    std::string_view sectionName;
    XmlElement section;
    for (const KeyEdit& edit : edits_) {
        if (!edit.text) continue;
        if (!section || edit.section != sectionName) {
            sectionName = edit.section;
            section = check->FirstChild(check->Root(), edit.section);
        }
        const XmlElement key = section ? check->FirstChild(section, edit.key) : XmlElement{};
        if (!key || check->Text(key) != *edit.text) return false;
    }
    return true;
}

KeyEdit& ProfileStore::EditOf(std::string_view section, std::string_view key) {
    for (KeyEdit& edit : edits_) {
        if (edit.section == section && edit.key == key) return edit;
    }
    KeyEdit& edit = edits_.emplace_back();
    edit.section = section;
    edit.key = key;
    return edit;
}

// The root of a host profile has many children: the section is looked up in
// one pass per store, not once per key.
XmlElement ProfileStore::Section(XmlDocument& document, std::string_view section, bool create) {
    if (!sectionKnown_ || sectionName_ != section) {
        sectionKnown_ = false;
        sectionName_ = section;
        section_ = document.FirstChild(document.Root(), section);
        sectionKnown_ = true;
    }
    if (!section_ && create) {
        section_ = document.AppendChild(document.Root(), section);
        if (!section_) Failed();
    }
    return section_;
}

XmlElement ProfileStore::FindKey(std::string_view section, std::string_view key) {
    XmlDocument* document = Document();
    if (document == nullptr) return {};
    const XmlElement sectionElement = Section(*document, section, false);
    if (!sectionElement) return {};
    return document->FirstChild(sectionElement, key);
}

bool ProfileStore::HasKey(std::string_view section, std::string_view key) {
    try {
        return static_cast<bool>(FindKey(section, key));
    } catch (...) {
        Failed();
        return false;
    }
}

XmlElement ProfileStore::FindOrCreateKey(std::string_view section, std::string_view key) {
    XmlDocument* document = Document();
    if (document == nullptr) return {};
    const XmlElement sectionElement = Section(*document, section, true);
    if (!sectionElement) return {};
    const XmlElement keyElement = document->FirstChild(sectionElement, key);
    if (keyElement) return keyElement;
    const XmlElement created = document->AppendChild(sectionElement, key);
    if (!created) Failed();
    return created;
}

std::int32_t ProfileStore::GetInt(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) {
    try {
        return ReadInt(section, key, defaultValue);
    } catch (...) {
        Failed();
        return defaultValue;
    }
}

bool ProfileStore::SetInt(std::string_view section, std::string_view key, std::int32_t value) {
    try {
        WriteInt(section, key, value);
    } catch (...) {
        Failed();
    }
    return true;
}

std::int32_t ProfileStore::ReadInt(std::string_view section, std::string_view key,
                                   std::int32_t defaultValue) {
    const XmlElement element = FindKey(section, key);
    if (!element) return defaultValue;
    const std::string text = document_->Text(element);
    // A key without a value (blanks count as none, as the host's own XML
    // library reads them) is dropped, so the next save writes it afresh.
    if (IsBlank(text)) {
        document_->Remove(element);
        ++EditOf(section, key).removed;
        return defaultValue;
    }
    return LeadingNumber(text);
}

void ProfileStore::WriteInt(std::string_view section, std::string_view key, std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    XmlElement element = FindKey(section, key);
    if (element && document_->Text(element) == text) return;
    if (!element) element = FindOrCreateKey(section, key);
    if (!element) return;
    document_->SetText(element, text);
    KeyEdit& edit = EditOf(section, key);
    if (!edit.text) edit.writeOrder = ++writes_;
    edit.text = text;
}

}  // namespace k7
