// Integer values by section and key in the host's XML profile. A store lives
// inside one host call: Open loads the whole file, reads and writes go to the
// document in memory, Close writes the whole document back.
//
// The host's profile holds far more than the plug-in's section, so the store
// never puts it at risk: a file that exists but cannot be read or parsed is
// never written, a store in which anything failed (memory ran out in the XML
// library or here) writes nothing, and a save goes to a temporary file beside
// the profile that then replaces it in one step, so a failed save leaves the
// old file intact. No failure leaves the store as an exception.
//
// The root of a host profile has many children: the section is looked up once
// per store, not once per key.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "settings/xml_dom.h"

namespace k7 {

class ProfileStore {
  public:
    ProfileStore() = default;
    ~ProfileStore() = default;  // releases the document without saving
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    // Loads fileName and makes sure the document has a root element. With no
    // XML library (xml null, or the document cannot be created) every read
    // yields its default and nothing is saved.
    void Open(XmlDomFactory* xml, const std::string& fileName);
    // Saves the document (when that is safe) and releases it.
    void Close();

    std::int32_t GetInt(std::string_view section, std::string_view key, std::int32_t defaultValue);
    bool SetInt(std::string_view section, std::string_view key, std::int32_t value);

    XmlElement FindKey(std::string_view section, std::string_view key);
    XmlElement FindOrCreateKey(std::string_view section, std::string_view key);

    // Whether Close will write the file.
    bool saveAllowed() const { return document_ != nullptr && saveAllowed_; }
    const std::string& fileName() const { return fileName_; }

    // The temporary file a save writes before it replaces the profile.
    static std::string TempPath(const std::string& fileName) { return fileName + ".k7-save"; }

  private:
    void Save();
    // The section element (created when asked and missing); one pass over the
    // root's children per store and section name.
    XmlElement Section(std::string_view section, bool create);
    // Something failed: the document may not hold what the calls asked for.
    void Failed() { saveAllowed_ = false; }

    XmlDomFactory* xml_ = nullptr;
    std::unique_ptr<XmlDocument> document_;
    std::string fileName_;
    bool saveAllowed_ = false;
    std::string sectionName_;  // the section last looked up, and what was found
    XmlElement section_;
    bool sectionKnown_ = false;
};

}  // namespace k7
