// The store's save rules on a profile held in memory, with faults on demand.
#include "settings/profile_store.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "settings/settings_io.h"
#include "tests/support/memory_dom.h"

namespace k7::test {
namespace {

constexpr const char* kPath = "profile.xml";
constexpr const char* kSection = "Ravlen_K7_Pendant";
const std::string kOriginal =
    "<profile><Host>1</Host><Ravlen_K7_Pendant><Vel>3</Vel>"
    "</Ravlen_K7_Pendant></profile>";

std::string WriteVel(MemoryDom& dom, std::int32_t vel) {
    ProfileStore store;
    store.Open(&dom, kPath);
    store.SetInt(kSection, "Vel", vel);
    store.Close();
    return dom.File(kPath).value_or("(no file)");
}

TEST(ProfileStoreSave, GoesThroughATemporaryFileThatReplacesTheProfile) {
    MemoryDom dom;
    dom.SetFile(kPath, kOriginal);
    EXPECT_EQ(WriteVel(dom, 4),
              "<profile><Host>1</Host><Ravlen_K7_Pendant><Vel>4</Vel>"
              "</Ravlen_K7_Pendant></profile>");
    EXPECT_EQ(dom.files().size(), 1u);
}

TEST(ProfileStoreSave, AWriteFailingMidwayLeavesTheOriginalAndNoTemporaryFile) {
    MemoryDom dom;
    dom.SetFile(kPath, kOriginal);
    dom.failSaveAfter = 20;
    EXPECT_EQ(WriteVel(dom, 4), kOriginal);
    EXPECT_FALSE(dom.File(ProfileStore::TempPath(kPath)).has_value());
}

TEST(ProfileStoreSave, ARefusedReplaceLeavesTheOriginalAndNoTemporaryFile) {
    MemoryDom dom;
    dom.SetFile(kPath, kOriginal);
    dom.refuseReplace = true;
    EXPECT_EQ(WriteVel(dom, 4), kOriginal);
    EXPECT_EQ(dom.files().size(), 1u);
}

TEST(ProfileStoreSave, AnUnparseableProfileIsNeverWritten) {
    MemoryDom dom;
    const std::string broken = "<profile><Host>1</Host>";
    dom.SetFile(kPath, broken);
    ProfileStore store;
    store.Open(&dom, kPath);
    EXPECT_FALSE(store.saveAllowed());
    EXPECT_EQ(store.GetInt(kSection, "Vel", 2), 2);
    store.SetInt(kSection, "Vel", 4);
    store.Close();
    EXPECT_EQ(dom.File(kPath), broken);
    EXPECT_EQ(dom.saves, 0);
}

TEST(ProfileStoreSave, AnEmptyFileNameSavesNothing) {
    MemoryDom dom;
    ProfileStore store;
    store.Open(&dom, "");
    store.SetInt(kSection, "Vel", 4);
    store.Close();
    EXPECT_TRUE(dom.files().empty());
}

TEST(ProfileStore, WithoutAnXmlLibraryReadsDefaultsAndSavesNothing) {
    ProfileStore store;
    store.Open(nullptr, kPath);
    EXPECT_FALSE(store.saveAllowed());
    EXPECT_EQ(store.GetInt(kSection, "Vel", 6), 6);
    EXPECT_TRUE(store.SetInt(kSection, "Vel", 4));
    EXPECT_EQ(store.GetInt(kSection, "Vel", 6), 6);
    EXPECT_FALSE(store.FindOrCreateKey(kSection, "Vel"));
    store.Close();
}

TEST(ProfileStore, FindKeyNeverCreatesAndFindOrCreateKeyReusesWhatExists) {
    MemoryDom dom;
    dom.SetFile(kPath, kOriginal);
    ProfileStore store;
    store.Open(&dom, kPath);
    EXPECT_FALSE(store.FindKey("Absent", "Vel"));
    EXPECT_FALSE(store.FindKey(kSection, "OEM1"));
    const XmlElement vel = store.FindKey(kSection, "Vel");
    ASSERT_TRUE(vel);
    EXPECT_EQ(store.FindOrCreateKey(kSection, "Vel").node, vel.node);
    EXPECT_TRUE(store.FindOrCreateKey("Absent", "Vel"));
    store.Close();
    EXPECT_EQ(dom.File(kPath),
              "<profile><Host>1</Host><Ravlen_K7_Pendant><Vel>3</Vel>"
              "</Ravlen_K7_Pendant><Absent><Vel/></Absent></profile>");
}

// A host profile's root has hundreds of children: a store walks them once,
// whether the section is there or not, however many keys it reads and writes.
TEST(ProfileStoreLookup, OnePassOverTheRootPerStore) {
    for (const std::string& profile :
         {kOriginal, std::string("<profile><Host>1</Host></profile>")}) {
        MemoryDom dom;
        dom.SetFile(kPath, profile);
        ProfileStore store;
        store.Open(&dom, kPath);
        PendantSettings settings;
        ConfigureSettings(store, settings, {});
        store.Close();
        EXPECT_EQ(std::count(dom.lookups.begin(), dom.lookups.end(), kSection), 1) << profile;
    }
}

}  // namespace
}  // namespace k7::test
