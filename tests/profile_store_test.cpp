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

TEST(ProfileStoreSave, AStoreThatChangesNothingWritesNothing) {
    MemoryDom dom;
    dom.SetFile(kPath, kOriginal);
    {
        ProfileStore unused;  // as SetProName has it: not even read
        unused.Open(&dom, kPath);
        unused.Close();
    }
    EXPECT_TRUE(dom.lookups.empty());
    ProfileStore store;
    store.Open(&dom, kPath);
    EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 3);
    EXPECT_EQ(store.GetInt(kSection, "OEM1", 7), 7);
    store.SetInt(kSection, "Vel", 3);
    EXPECT_FALSE(store.changed());
    store.Close();
    EXPECT_EQ(dom.saves, 0);
    EXPECT_EQ(dom.File(kPath), kOriginal);

    EXPECT_EQ(WriteVel(dom, 4),
              "<profile><Host>1</Host><Ravlen_K7_Pendant><Vel>4</Vel>"
              "</Ravlen_K7_Pendant></profile>");
    EXPECT_EQ(dom.saves, 1);
    EXPECT_EQ(dom.stored().size(), 1u);
}

TEST(ProfileStoreSave, EveryFailingStepLeavesTheProfileAndNoTemporaryFile) {
    for (const FileStep step : {FileStep::Read, FileStep::CreateUnique, FileStep::Write,
                                FileStep::Flush, FileStep::Replace}) {
        MemoryDom dom;
        dom.SetFile(kPath, kOriginal);
        ProfileStore store;
        store.Open(&dom, kPath);
        EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 3);
        store.SetInt(kSection, "Vel", 4);
        dom.failAt = step;
        dom.failedWriteKeeps = 20;
        store.Close();
        EXPECT_EQ(dom.File(kPath), kOriginal) << static_cast<int>(step);
        EXPECT_EQ(dom.stored().size(), 1u) << static_cast<int>(step);
    }
    // The replace has happened when the directory's flush fails: the new
    // profile stands whole, and no temporary file is left either.
    MemoryDom dom;
    dom.SetFile(kPath, kOriginal);
    dom.failAt = FileStep::FlushDirectory;
    EXPECT_EQ(WriteVel(dom, 4),
              "<profile><Host>1</Host><Ravlen_K7_Pendant><Vel>4</Vel>"
              "</Ravlen_K7_Pendant></profile>");
    EXPECT_EQ(dom.stored().size(), 1u);
}

TEST(ProfileStoreSave, WhatTheHostWroteWhileTheStoreWasOpenIsKept) {
    MemoryDom dom;
    dom.SetFile(kPath, kOriginal);
    ProfileStore store;
    store.Open(&dom, kPath);
    EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 3);
    dom.SetFile(kPath,
                "<profile><Host>2</Host><More>x</More><Ravlen_K7_Pendant><Vel>3</Vel>"
                "</Ravlen_K7_Pendant></profile>");
    store.SetInt(kSection, "Vel", 5);
    store.Close();
    EXPECT_EQ(dom.File(kPath),
              "<profile><Host>2</Host><More>x</More><Ravlen_K7_Pendant><Vel>5</Vel>"
              "</Ravlen_K7_Pendant></profile>");
}

TEST(ProfileStoreSave, AProfileThatWasThereIsNeverRecreatedButAMissingOneIs) {
    for (const std::string& now : {std::string("(gone)"), std::string(""), std::string("<p")}) {
        MemoryDom dom;
        dom.SetFile(kPath, kOriginal);
        ProfileStore store;
        store.Open(&dom, kPath);
        store.SetInt(kSection, "Vel", 4);
        if (now == "(gone)") {
            dom.files().Remove(kPath);
        } else {
            dom.SetFile(kPath, now);
        }
        store.Close();
        EXPECT_EQ(dom.File(kPath), now == "(gone)" ? std::nullopt : std::optional(now));
        EXPECT_EQ(dom.saves, 0);
    }
    MemoryDom dom;
    EXPECT_EQ(WriteVel(dom, 4),
              "<profile><Ravlen_K7_Pendant><Vel>4</Vel></Ravlen_K7_Pendant></profile>");
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
    EXPECT_TRUE(dom.stored().empty());
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
    const XmlElement created = store.FindOrCreateKey("Absent", "Vel");
    EXPECT_TRUE(created);
    EXPECT_EQ(store.FindKey("Absent", "Vel").node, created.node);
    store.Close();
    EXPECT_EQ(dom.File(kPath), kOriginal) << "an element without a value is no change";
}

// A host profile's root has hundreds of children: a store walks them once,
// whether the section is there or not, however many keys it reads and writes,
// and once more in the read-back check of the document it saves.
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
        EXPECT_EQ(std::count(dom.lookups.begin(), dom.lookups.end(), kSection), 2) << profile;
    }
}

}  // namespace
}  // namespace k7::test
