// Integer values by section and key in the host's XML profile. A store lives
// inside one host call: the file is read and parsed at its first use, reads
// and writes go to the document in memory, and Close writes what changed.
//
// The host's profile holds far more than the plug-in's section, so the store
// never puts it at risk:
// - a store that changed nothing writes nothing;
// - a save writes the store's edits into the file as it is at that moment
//   (changes the host made meanwhile are kept) and leaves every other byte as
//   the host wrote it;
// - the result must parse and read back before it is used; it goes to a
//   temporary file of its own, flushed to the disk, that replaces the profile
//   in one step, so any failure leaves the old file whole;
// - a file that exists but cannot be read or parsed is never written, nor is
//   anything by a store in which something failed (memory ran out in the XML
//   library or here); no failure leaves the store as an exception.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/profile_edits.h"
#include "settings/xml_dom.h"

namespace k7 {

enum class XmlLoad {
    Loaded,       // the file parsed into a document with a root element
    Missing,      // no file, or an empty one: nothing there to lose
    Unparseable,  // the file exists but could not be read or parsed
};

class ProfileStore {
  public:
    ProfileStore() = default;
    ~ProfileStore() = default;  // releases the document without saving
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    // Takes the file's name; the file is loaded when the store is first used,
    // and a document without a root element is given one. With no XML library
    // (xml null, or the document cannot be created) every read yields its
    // default and nothing is saved.
    void Open(XmlDomFactory* xml, const std::string& fileName);
    // Saves what changed (when that is safe) and releases the document. False
    // when a change could not be written: the profile is then as it was.
    bool Close();

    std::int32_t GetInt(std::string_view section, std::string_view key, std::int32_t defaultValue);
    // Writing the text a key already holds changes nothing.
    bool SetInt(std::string_view section, std::string_view key, std::int32_t value);

    XmlElement FindKey(std::string_view section, std::string_view key);
    // Whether the profile holds the key now; false when the lookup failed.
    bool HasKey(std::string_view section, std::string_view key);
    XmlElement FindOrCreateKey(std::string_view section, std::string_view key);

    // Whether a change would be saved: the file was missing or parsed.
    bool saveAllowed();
    // Whether anything was removed or written with a new value.
    bool changed() const { return !edits_.empty(); }
    const std::string& fileName() const { return fileName_; }

  private:
    XmlDocument* Document();
    XmlDocument* Load();
    XmlElement Section(XmlDocument& document, std::string_view section, bool create);
    std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t defaultValue);
    void WriteInt(std::string_view section, std::string_view key, std::int32_t value);
    // Something failed: the document may not hold what the calls asked for.
    void Failed() { failed_ = true; }
    KeyEdit& EditOf(std::string_view section, std::string_view key);
    bool Save();
    bool ReadsBack(const std::string& bytes);

    XmlDomFactory* xml_ = nullptr;
    std::unique_ptr<XmlDocument> document_;
    std::string fileName_;
    bool loaded_ = false;
    XmlLoad load_ = XmlLoad::Unparseable;
    std::vector<KeyEdit> edits_;
    unsigned writes_ = 0;
    bool failed_ = false;
    std::string sectionName_;  // the section last looked up, and what was found
    XmlElement section_;
    bool sectionKnown_ = false;
};

}  // namespace k7
