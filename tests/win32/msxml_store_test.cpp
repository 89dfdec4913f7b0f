// The profile store's cases on the MSXML adapter. The plug-in relies on its
// host for COM; this test is the host here.
#include <objbase.h>

#include "settings/win32/msxml_dom.h"
#include "tests/profile_store_cases.h"

namespace k7::test {
namespace {

struct MsXmlAdapter {
    MsXmlAdapter() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~MsXmlAdapter() { CoUninitialize(); }
    MsXmlAdapter(const MsXmlAdapter&) = delete;
    MsXmlAdapter& operator=(const MsXmlAdapter&) = delete;
    XmlDomFactory& factory() { return xml; }
    MsXmlDomFactory xml;
};

INSTANTIATE_TYPED_TEST_SUITE_P(MsXml, ProfileStoreCases, MsXmlAdapter);

// Without COM on the thread no document can be made: the store reads defaults
// and leaves the profile alone.
TEST(MsXmlDom, WithoutComTheProfileIsReadAsDefaultsAndLeftAlone) {
    const auto path = (std::filesystem::temp_directory_path() / "k7-store-nocom.xml").string();
    const std::string profile =
        "<profile><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></profile>";
    std::ofstream(path, std::ios::binary) << profile;
    MsXmlDomFactory xml;
    EXPECT_EQ(xml.CreateDocument(), nullptr);
    ProfileStore store;
    store.Open(&xml, path);
    EXPECT_EQ(store.GetInt(kSection, "Vel", 7), 7);
    store.SetInt(kSection, "Vel", 4);
    store.Close();
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), profile);
    in.close();
    std::filesystem::remove(path);
}

// A DTD and an external entity that exist and would give two keys values:
// the profile is read from its own bytes only, on the host's thread, so both
// keys read as missing. (Wine's MSXML resolves nothing even by default; the
// Windows one resolves and validates unless told not to.)
TEST(MsXmlDom, ExternalDtdsAndEntitiesAreNeverFetched) {
    MsXmlAdapter adapter;
    const auto dir = std::filesystem::temp_directory_path() / "k7-store-externals";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string dtd = (dir / "profile.dtd").string();
    const std::string entity = (dir / "value.ent").string();
    std::ofstream(dtd, std::ios::binary) << "<!ENTITY seven \"7\">\n";
    std::ofstream(entity, std::ios::binary) << "8";
    const std::string path = (dir / "profile.xml").string();
    const std::string profile = "<?xml version=\"1.0\"?>\n<!DOCTYPE profile SYSTEM \"" + dtd +
                                "\" [<!ENTITY eight SYSTEM \"" + entity +
                                "\">]>\n<profile><Ravlen_K7_Pendant><OEM1>&seven;</OEM1>"
                                "<OEM2>&eight;</OEM2><Vel>3</Vel></Ravlen_K7_Pendant></profile>\n";
    std::ofstream(path, std::ios::binary) << profile;
    ProfileStore store;
    store.Open(&adapter.factory(), path);
    EXPECT_TRUE(store.saveAllowed());
    EXPECT_EQ(store.GetInt(kSection, "OEM1", -1), -1);
    EXPECT_EQ(store.GetInt(kSection, "OEM2", -1), -1);
    EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 3);
    store.SetInt(kSection, "Vel", 4);
    store.Close();
    // The two keys without a value are dropped, as any empty key is.
    std::string expected = profile;
    expected.replace(expected.find("<OEM1>"), 52, "<Vel>4</Vel>");
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected);
    in.close();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace k7::test
