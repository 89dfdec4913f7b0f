// The profile store's cases on the MSXML adapter. The plug-in relies on its
// host for COM; this test is the host here.
#include <objbase.h>

#include "settings/win32/msxml_dom.h"
#include "tests/profile_store_cases.h"

namespace k7::test {
namespace {

struct MsXmlAdapter {
    static constexpr bool kKeepsCarriageReturns = false;
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

}  // namespace
}  // namespace k7::test
