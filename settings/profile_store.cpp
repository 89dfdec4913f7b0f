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
    fileName_ = fileName;
}

XmlDocument* ProfileStore::Document() {
    if (loaded_) return document_.get();
    loaded_ = true;
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
    if (!document_->Root()) document_->AppendRoot(kRootName);
    return document_.get();
}

bool ProfileStore::saveAllowed() {
    return Document() != nullptr && load_ != XmlLoad::Unparseable;
}

void ProfileStore::Close() {
    if (document_ != nullptr && load_ != XmlLoad::Unparseable && changed() && !fileName_.empty())
        Save();
    document_.reset();
    loaded_ = false;
    load_ = XmlLoad::Unparseable;
    edits_.clear();
    writes_ = 0;
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
    if (!files.Write(temp, *edited) || !files.Flush(temp) || !files.Replace(temp, fileName_)) {
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
    for (const KeyEdit& edit : edits_) {
        if (!edit.text) continue;
        const XmlElement section = check->FirstChild(check->Root(), edit.section);
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

XmlElement ProfileStore::FindKey(std::string_view section, std::string_view key) {
    XmlDocument* document = Document();
    if (document == nullptr) return {};
    const XmlElement sectionElement = document->FirstChild(document->Root(), section);
    if (!sectionElement) return {};
    return document->FirstChild(sectionElement, key);
}

XmlElement ProfileStore::FindOrCreateKey(std::string_view section, std::string_view key) {
    XmlDocument* document = Document();
    if (document == nullptr) return {};
    const XmlElement root = document->Root();
    XmlElement sectionElement = document->FirstChild(root, section);
    if (!sectionElement) sectionElement = document->AppendChild(root, section);
    if (!sectionElement) return {};
    const XmlElement keyElement = document->FirstChild(sectionElement, key);
    return keyElement ? keyElement : document->AppendChild(sectionElement, key);
}

std::int32_t ProfileStore::GetInt(std::string_view section, std::string_view key,
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

bool ProfileStore::SetInt(std::string_view section, std::string_view key, std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    XmlElement element = FindKey(section, key);
    if (element && document_->Text(element) == text) return true;
    if (!element) element = FindOrCreateKey(section, key);
    if (!element) return true;
    document_->SetText(element, text);
    KeyEdit& edit = EditOf(section, key);
    if (!edit.text) edit.writeOrder = ++writes_;
    edit.text = text;
    return true;
}

}  // namespace k7
