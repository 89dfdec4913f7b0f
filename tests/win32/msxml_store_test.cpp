// The profile store's cases on the MSXML adapter. The plug-in relies on its
// host for COM; this test is the host here.
#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>

#include <thread>

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

// The store works whatever the host did with COM on its thread, and leaves
// the thread as it found it.
TEST(MsXmlDom, TheStoreWorksWithAndWithoutComAndLeavesTheThreadAsItWas) {
    const auto path = (std::filesystem::temp_directory_path() / "k7-store-com.xml").string();
    for (const DWORD host :
         {DWORD{0xFFFFFFFFu}, DWORD{COINIT_APARTMENTTHREADED}, DWORD{COINIT_MULTITHREADED}}) {
        SCOPED_TRACE(host);
        std::thread([&] {
            if (host != 0xFFFFFFFFu) CoInitializeEx(nullptr, host);
            std::ofstream(path, std::ios::binary)
                << "<profile><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></profile>";
            MsXmlDomFactory xml;
            ProfileStore store;
            store.Open(&xml, path);
            EXPECT_EQ(store.GetInt(kSection, "Vel", 7), 3);
            store.SetInt(kSection, "Vel", 4);
            EXPECT_TRUE(store.Close());
            std::ifstream in(path, std::ios::binary);
            EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find("<Vel>4</Vel>"),
                      std::string::npos);
            // What a single-threaded start says now tells the thread's state.
            const HRESULT now = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            const HRESULT expected = host == 0xFFFFFFFFu            ? S_OK
                                     : host == COINIT_MULTITHREADED ? RPC_E_CHANGED_MODE
                                                                    : S_FALSE;
            EXPECT_EQ(now, expected);
            if (SUCCEEDED(now)) CoUninitialize();
            if (host != 0xFFFFFFFFu) CoUninitialize();
        }).join();
    }
    std::filesystem::remove(path);
}

// A hidden profile stays hidden, and a save that finds the profile held for a
// moment (a scanner's look) tries again and succeeds.
TEST(MsXmlDom, SavesKeepTheProfilesAttributesAndWaitOutABriefHold) {
    MsXmlAdapter adapter;
    const auto path = (std::filesystem::temp_directory_path() / "k7-store-hidden.xml").string();
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(path, std::ios::binary)
        << "<profile><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></profile>";
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    // Wine keeps attributes in extended attributes, which some file systems
    // (tmpfs before Linux 6.6) do not hold: then there is nothing to keep.
    const bool holdsHidden = (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0;
    ProfileStore store;
    store.Open(&adapter.factory(), path);
    store.SetInt(kSection, "Vel", 5);
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] {
        Sleep(60);
        CloseHandle(held);
    });
    EXPECT_TRUE(store.Close());
    release.join();
    if (holdsHidden) {
        EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find("<Vel>5</Vel>"),
              std::string::npos);
    in.close();
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
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
