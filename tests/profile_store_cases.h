// The profile store's cases, written once and run on each XML adapter: an
// Adapter type provides `XmlDomFactory& factory()` and sets up whatever its
// library needs (COM on Windows) on its thread for as long as it lives.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "settings/profile_store.h"
#include "tests/support/faulty_files.h"

namespace k7::test {

inline constexpr const char* kSection = "Ravlen_K7_Pendant";

template <class Adapter>
class ProfileStoreCases : public ::testing::Test {
  protected:
    ProfileStoreCases() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name) {
            if (c == '/') c = '-';
        }
        dir_ = std::filesystem::temp_directory_path() / ("k7-store-" + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "profile.xml").string();
    }
    ~ProfileStoreCases() override {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }

    XmlDomFactory& factory() { return adapter_.factory(); }

    void WriteProfile(const std::string& bytes) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::string ReadProfile() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool ProfileExists() const { return std::filesystem::exists(path_); }
    // Whatever a save left beside the profile.
    std::vector<std::string> OtherFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
            if (entry.path() != std::filesystem::path(path_))
                names.push_back(name);
        }
        return names;
    }
    void MakeOld() {
        std::filesystem::last_write_time(
            path_, std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
    }
    std::filesystem::file_time_type Modified() const {
        return std::filesystem::last_write_time(path_);
    }

    std::int32_t ReadBack(const char* key, std::int32_t defaultValue) {
        ProfileStore store;
        store.Open(&factory(), path_);
        const std::int32_t value = store.GetInt(kSection, key, defaultValue);
        return value;  // not closed: reading back leaves the file as it is
    }

    Adapter adapter_;  // first: the XML library must be ready before any document
    std::filesystem::path dir_;
    std::string path_;
};

TYPED_TEST_SUITE_P(ProfileStoreCases);

TYPED_TEST_P(ProfileStoreCases, MissingFileReadsDefaultsAndIsCreatedWithProfileRoot) {
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_EQ(store.GetInt(kSection, "DelaySteps", 25), 25);
    EXPECT_EQ(store.GetInt("Other", "Key", -7), -7);
    store.SetInt(kSection, "StepJogRate", 100);
    store.Close();
    EXPECT_EQ(this->ReadProfile(),
              "<profile><Ravlen_K7_Pendant><StepJogRate>100</StepJogRate>"
              "</Ravlen_K7_Pendant></profile>");
    EXPECT_EQ(this->OtherFiles(), std::vector<std::string>{});
}

TYPED_TEST_P(ProfileStoreCases, ValuesAreWrittenAsPlainDecimalAndReadBack) {
    const std::int32_t values[] = {-25, 0, 7, 2147483647, -2147483647 - 1};
    for (const std::int32_t value : values) {
        ProfileStore store;
        store.Open(&this->factory(), this->path_);
        store.SetInt(kSection, "OEM1", value);
        store.Close();
        EXPECT_NE(this->ReadProfile().find("<OEM1>" + std::to_string(value) + "</OEM1>"),
                  std::string::npos)
            << this->ReadProfile();
        EXPECT_EQ(this->ReadBack("OEM1", 99), value);
    }
}

TYPED_TEST_P(ProfileStoreCases, TextReadsAsItsLeadingNumber) {
    this->WriteProfile(
        "<profile><Ravlen_K7_Pendant><A>0012</A><B> 7</B><C>abc</C><D>12x</D><E>-5</E>"
        "<F>+8</F><G>4294967297</G><H>\t-0</H></Ravlen_K7_Pendant></profile>");
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_EQ(store.GetInt(kSection, "A", 99), 12);
    EXPECT_EQ(store.GetInt(kSection, "B", 99), 7);
    EXPECT_EQ(store.GetInt(kSection, "C", 99), 0);
    EXPECT_EQ(store.GetInt(kSection, "D", 99), 12);
    EXPECT_EQ(store.GetInt(kSection, "E", 99), -5);
    EXPECT_EQ(store.GetInt(kSection, "F", 99), 8);
    EXPECT_EQ(store.GetInt(kSection, "G", 99), 1);  // wraps in 32 bits
    EXPECT_EQ(store.GetInt(kSection, "H", 99), 0);
}

TYPED_TEST_P(ProfileStoreCases, EmptyKeyElementReadsDefaultAndIsRemovedAtClose) {
    this->WriteProfile(
        "<profile><Ravlen_K7_Pendant><Vel>3</Vel><DelaySteps></DelaySteps><Macro1/>"
        "<Macro2>  </Macro2><OEM1>4</OEM1></Ravlen_K7_Pendant></profile>");
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_EQ(store.GetInt(kSection, "DelaySteps", 25), 25);
    EXPECT_EQ(store.GetInt(kSection, "Macro1", -1), -1);
    EXPECT_EQ(store.GetInt(kSection, "Macro2", -2), -2);
    store.Close();
    EXPECT_EQ(this->ReadProfile(),
              "<profile><Ravlen_K7_Pendant><Vel>3</Vel><OEM1>4</OEM1>"
              "</Ravlen_K7_Pendant></profile>");
}

TYPED_TEST_P(ProfileStoreCases, OnlyTheFirstOfTwoSectionsOfOneNameIsUsed) {
    this->WriteProfile(
        "<profile><Ravlen_K7_Pendant><Vel>1</Vel></Ravlen_K7_Pendant>"
        "<Ravlen_K7_Pendant><Vel>9</Vel><OEM1>5</OEM1></Ravlen_K7_Pendant></profile>");
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 1);
    EXPECT_EQ(store.GetInt(kSection, "OEM1", 0), 0);
    store.SetInt(kSection, "Vel", 4);
    store.SetInt(kSection, "OEM1", 6);
    store.Close();
    EXPECT_EQ(this->ReadProfile(),
              "<profile><Ravlen_K7_Pendant><Vel>4</Vel><OEM1>6</OEM1></Ravlen_K7_Pendant>"
              "<Ravlen_K7_Pendant><Vel>9</Vel><OEM1>5</OEM1></Ravlen_K7_Pendant></profile>");
}

TYPED_TEST_P(ProfileStoreCases, NamesMatchExactlyAndNewElementsGoLast) {
    this->WriteProfile(
        "<Mach3><ravlen_k7_pendant><Vel>1</Vel></ravlen_k7_pendant><Ravlen_K7_Pendant>"
        "<vel>2</vel><Other>x</Other></Ravlen_K7_Pendant><Tail/></Mach3>");
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_EQ(store.GetInt(kSection, "Vel", 8), 8);
    store.SetInt(kSection, "Vel", 3);
    store.SetInt("New", "B", 1);
    store.SetInt("New", "A", 2);
    store.Close();
    EXPECT_EQ(this->ReadProfile(),
              "<Mach3><ravlen_k7_pendant><Vel>1</Vel></ravlen_k7_pendant><Ravlen_K7_Pendant>"
              "<vel>2</vel><Other>x</Other><Vel>3</Vel></Ravlen_K7_Pendant><Tail/>"
              "<New><B>1</B><A>2</A></New></Mach3>");
}

TYPED_TEST_P(ProfileStoreCases, SetIntReplacesTheWholeContentOfTheKey) {
    this->WriteProfile(
        "<profile><Ravlen_K7_Pendant><Vel>1<b>2</b><!--c-->3</Vel></Ravlen_K7_Pendant>"
        "</profile>");
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 123);  // all the text, in document order
    store.SetInt(kSection, "Vel", 5);
    store.Close();
    EXPECT_EQ(this->ReadProfile(),
              "<profile><Ravlen_K7_Pendant><Vel>5</Vel></Ravlen_K7_Pendant></profile>");
}

// Reading every key and writing back the values they hold is no change: the
// file keeps its bytes and its time.
TYPED_TEST_P(ProfileStoreCases, AStoreThatChangesNothingLeavesTheFileUntouched) {
    const std::string profile =
        "<?xml version=\"1.0\"?>\r\n<profile>\r\n  <Host>&amp;</Host>\r\n"
        "  <Ravlen_K7_Pendant><Vel>3</Vel><OEM1>-4</OEM1></Ravlen_K7_Pendant>\r\n</profile>\r\n";
    this->WriteProfile(profile);
    this->MakeOld();
    const auto before = this->Modified();
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 3);
    EXPECT_EQ(store.GetInt(kSection, "OEM1", 0), -4);
    EXPECT_EQ(store.GetInt(kSection, "OEM2", 9), 9);
    store.SetInt(kSection, "Vel", 3);
    store.SetInt(kSection, "OEM1", -4);
    store.Close();
    EXPECT_EQ(this->Modified(), before);
    EXPECT_EQ(this->ReadProfile(), profile);
}

// Everything the host wrote, in any of the forms XML allows, keeps its bytes;
// only the plug-in's keys change.
inline const std::string kHostProfile =
    "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\r\n"
    "<!DOCTYPE profile [\r\n"
    "  <!ENTITY shop \"Shop floor\">\r\n"
    "]>\r\n"
    "<?host-tool format=\"3\"?>\r\n"
    "<profile>\r\n"
    "  <!-- motor tuning -->\r\n"
    "  <Preferences>\r\n"
    "    <Motor axis='X' steps=\"2000\"   accel='15.5'\r\n"
    "           name='&shop; &#169;'>on</Motor>\r\n"
    "    <Name>Mill &amp; Lathe at the &shop; &#xA9; &#169; &lt;1&gt; &quot;q&quot; "
    "&apos;</Name>\r\n"
    "    <Empty></Empty><Closed/>\r\n"
    "    <Cdata><![CDATA[a < b && c]]></Cdata>\r\n"
    "\t<Tabbed>\t1 </Tabbed>\n"
    "  </Preferences>\r\n"
    "  <Ravlen_K7_Pendant>\r\n"
    "    <Vel>1</Vel>\r\n"
    "    <DelaySteps></DelaySteps>\r\n"
    "  </Ravlen_K7_Pendant>\r\n"
    "</profile>\r\n"
    "<!-- written by the host -->\r\n";

inline std::string HostProfileEdited() {
    std::string expected = kHostProfile;
    expected.replace(expected.find("<Vel>1</Vel>"), 12, "<Vel>2</Vel>");
    expected.erase(expected.find("<DelaySteps></DelaySteps>"), 25);
    expected.insert(expected.find("</Ravlen_K7_Pendant>"), "<OEM1>5</OEM1>");
    return expected;
}

inline void EditHostProfile(XmlDomFactory& factory, const std::string& path) {
    ProfileStore store;
    store.Open(&factory, path);
    EXPECT_TRUE(store.saveAllowed());
    EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 1);
    EXPECT_EQ(store.GetInt(kSection, "DelaySteps", 25), 25);
    store.SetInt(kSection, "Vel", 2);
    store.SetInt(kSection, "OEM1", 5);
    store.Close();
}

TYPED_TEST_P(ProfileStoreCases, HostBytesAreKeptByteForByte) {
    this->WriteProfile(kHostProfile);
    EditHostProfile(this->factory(), this->path_);
    EXPECT_EQ(this->ReadProfile(), HostProfileEdited());
}

// The same profile in UTF-16 (little endian, with its byte order mark).
TYPED_TEST_P(ProfileStoreCases, AUtf16ProfileStaysUtf16) {
    const auto utf16 = [](std::string ascii) {
        ascii.erase(0, 3);  // the UTF-8 mark
        ascii.replace(ascii.find("UTF-8"), 5, "UTF-16");
        std::string wide = "\xFF\xFE";
        for (const char c : ascii) {
            wide += c;
            wide += '\0';
        }
        return wide;
    };
    this->WriteProfile(utf16(kHostProfile));
    EditHostProfile(this->factory(), this->path_);
    EXPECT_EQ(this->ReadProfile(), utf16(HostProfileEdited()));
}

// An 8-bit profile with no encoding declared (a host text in Latin-1), with
// and without an XML declaration: its values read, and the edits go into its
// own bytes.
TYPED_TEST_P(ProfileStoreCases, An8BitProfileWithoutEncodingReadsAndKeepsItsBytes) {
    for (const std::string head : {"", "<?xml version=\"1.0\" standalone=\"yes\"?>\n"}) {
        const std::string profile = head +
                                    "<profile><Machine>Fr\xE4se \xB5m</Machine><Ravlen_K7_Pendant>"
                                    "<OEM1>3</OEM1></Ravlen_K7_Pendant></profile>\n";
        this->WriteProfile(profile);
        ProfileStore store;
        store.Open(&this->factory(), this->path_);
        EXPECT_EQ(store.GetInt(kSection, "OEM1", 0), 3) << head;
        store.SetInt(kSection, "OEM1", 5);
        EXPECT_TRUE(store.Close()) << head;
        std::string expected = profile;
        expected.replace(expected.find(">3<"), 3, ">5<");
        EXPECT_EQ(this->ReadProfile(), expected) << head;
    }
}

// An external DTD is never needed to read the profile, and never fetched.
TYPED_TEST_P(ProfileStoreCases, AnExternalDtdThatDoesNotExistIsNotNeeded) {
    const std::string profile =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE profile SYSTEM \"k7-no-such-folder/profile.dtd\">\n"
        "<profile><Host>1</Host><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></profile>\n";
    this->WriteProfile(profile);
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_TRUE(store.saveAllowed());
    EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 3);
    store.SetInt(kSection, "Vel", 4);
    store.Close();
    std::string expected = profile;
    expected.replace(expected.find("<Vel>3</Vel>"), 12, "<Vel>4</Vel>");
    EXPECT_EQ(this->ReadProfile(), expected);
}

TYPED_TEST_P(ProfileStoreCases, EmptyFileIsTreatedAsMissing) {
    this->WriteProfile("");
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_TRUE(store.saveAllowed());
    store.SetInt(kSection, "Vel", 2);
    store.Close();
    EXPECT_EQ(this->ReadProfile(),
              "<profile><Ravlen_K7_Pendant><Vel>2</Vel></Ravlen_K7_Pendant></profile>");
}

// A file that is there but is no readable profile belongs to the host: it is
// read as defaults and never written, byte for byte.
TYPED_TEST_P(ProfileStoreCases, UnparseableProfilesAreLeftByteForByte) {
    const std::string profiles[] = {
        "This is not XML at all.\n",
        "<?xml version=\"1.0\"?>\n<profile>\n  <Ravlen_K7_Pendant>\n    <Vel>3</Vel>\n",
        std::string("\x00\xff\xfe<\x01\x80\x9a<<>>&&\x00\x7f", 16),
        "<profile><a></b></profile>",
        "<profile/><second/>",
        "<profile><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></profile>trailing text",
    };
    for (const std::string& bytes : profiles) {
        this->WriteProfile(bytes);
        ProfileStore store;
        store.Open(&this->factory(), this->path_);
        EXPECT_FALSE(store.saveAllowed());
        EXPECT_EQ(store.GetInt(kSection, "Vel", 6), 6);
        store.SetInt(kSection, "Vel", 4);
        EXPECT_EQ(store.GetInt(kSection, "Vel", 6), 4);  // in memory only
        store.Close();
        EXPECT_EQ(this->ReadProfile(), bytes);
        EXPECT_EQ(this->OtherFiles(), std::vector<std::string>{});
    }
}

// A save that fails at any step leaves the profile as it was and removes its
// temporary file; once the profile has been replaced, the new one stands.
TYPED_TEST_P(ProfileStoreCases, ASaveFailingAtAnyStepLeavesTheProfileWhole) {
    const std::string profile =
        "<profile><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></profile>";
    for (const FileStep step : {FileStep::Read, FileStep::CreateUnique, FileStep::Write,
                                FileStep::Flush, FileStep::Replace, FileStep::FlushDirectory}) {
        this->WriteProfile(profile);
        FaultyFactory faulty(this->factory());
        ProfileStore store;
        store.Open(&faulty, this->path_);
        EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 3);
        store.SetInt(kSection, "Vel", 4);
        faulty.faults().failAt = step;
        store.Close();
        if (step == FileStep::Read) {
            // Read at the first use and again at the save, then written,
            // flushed and put in place, and the replace flushed.
            EXPECT_EQ(faulty.faults().steps,
                      (std::vector<FileStep>{FileStep::Read, FileStep::Read}));
        }
        const bool replaced = step == FileStep::FlushDirectory;
        EXPECT_EQ(this->ReadProfile(), replaced ? "<profile><Ravlen_K7_Pendant><Vel>4</Vel>"
                                                  "</Ravlen_K7_Pendant></profile>"
                                                : profile)
            << static_cast<int>(step);
        EXPECT_TRUE(this->OtherFiles().empty()) << static_cast<int>(step);
        if (replaced) {
            EXPECT_EQ(faulty.faults().steps,
                      (std::vector<FileStep>{FileStep::Read, FileStep::Read, FileStep::CreateUnique,
                                             FileStep::Write, FileStep::Flush, FileStep::Replace,
                                             FileStep::FlushDirectory}));
        }
    }
}

// A save that starts while another is writing its temporary file: each has
// a file of its own, and the profile is each one's whole version in turn.
TYPED_TEST_P(ProfileStoreCases, ASaveInTheMiddleOfAnotherWritesAFileOfItsOwn) {
    const std::string profile =
        "<profile><Host/><Ravlen_K7_Pendant><A>0</A><B>0</B></Ravlen_K7_Pendant></profile>";
    this->WriteProfile(profile);
    FaultyFactory first(this->factory());
    ProfileStore a;
    a.Open(&first, this->path_);
    a.SetInt(kSection, "A", 1);
    std::string firstTemp, secondTemp, between;
    first.faults().beforeWrite = [&](const std::string& temp) {
        firstTemp = temp;
        FaultyFactory second(this->factory());
        second.faults().beforeWrite = [&](const std::string& other) { secondTemp = other; };
        ProfileStore b;
        b.Open(&second, this->path_);
        b.SetInt(kSection, "B", 2);
        b.Close();
        between = this->ReadProfile();
    };
    a.Close();
    EXPECT_FALSE(firstTemp.empty());
    EXPECT_FALSE(secondTemp.empty());
    EXPECT_NE(firstTemp, secondTemp);
    EXPECT_EQ(between,
              "<profile><Host/><Ravlen_K7_Pendant><A>0</A><B>2</B></Ravlen_K7_Pendant></profile>");
    EXPECT_EQ(this->ReadProfile(),
              "<profile><Host/><Ravlen_K7_Pendant><A>1</A><B>0</B></Ravlen_K7_Pendant></profile>");
    EXPECT_EQ(this->OtherFiles(), std::vector<std::string>{});
}

// Two writers saving the same profile at the same moment (two host instances,
// or the host and the plug-in): whenever it is read, the profile is one whole
// version, never a mix of two.
TYPED_TEST_P(ProfileStoreCases, TwoWritersAtOnceLeaveOneWholeVersion) {
    std::string head = "<?xml version=\"1.0\"?>\r\n<profile>\r\n";
    for (int i = 0; head.size() < 24 * 1024; ++i)
        head += "  <Param" + std::to_string(i) + " unit='mm'>" + std::to_string(i * 7) + "</Param" +
                std::to_string(i) + ">\r\n";
    const std::string tail = "\r\n</profile>\r\n";
    this->WriteProfile(head + "<Ravlen_K7_Pendant><A>0</A><B>0</B></Ravlen_K7_Pendant>" + tail);
    const std::regex section("<Ravlen_K7_Pendant><A>[0-9]+</A><B>[0-9]+</B></Ravlen_K7_Pendant>");

    constexpr int kSaves = 30;
    const auto writer = [this](const char* key) {
        TypeParam adapter;  // the library set up on this thread
        for (int i = 1; i <= kSaves; ++i) {
            ProfileStore store;
            store.Open(&adapter.factory(), this->path_);
            store.SetInt(kSection, key, i);
            store.Close();
        }
    };
    std::thread a(writer, "A");
    std::thread b(writer, "B");
    int reads = 0;
    int torn = 0;
    std::atomic<bool> done{false};
    std::thread joiner([&] {
        a.join();
        b.join();
        done = true;
    });
    while (!done) {
        std::ifstream in(this->path_, std::ios::binary);
        if (!in) continue;  // not open to readers at that instant (Windows)
        const std::string bytes(std::istreambuf_iterator<char>(in), {});
        ++reads;
        const bool whole =
            bytes.size() > head.size() + tail.size() && bytes.compare(0, head.size(), head) == 0 &&
            bytes.compare(bytes.size() - tail.size(), tail.size(), tail) == 0 &&
            std::regex_match(bytes.substr(head.size(), bytes.size() - head.size() - tail.size()),
                             section);
        if (!whole) ++torn;
        std::this_thread::yield();
    }
    joiner.join();
    EXPECT_GT(reads, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(this->OtherFiles(), std::vector<std::string>{});
    const std::string last = this->ReadProfile();
    EXPECT_TRUE(std::regex_match(last.substr(head.size(), last.size() - head.size() - tail.size()),
                                 section));
}

TYPED_TEST_P(ProfileStoreCases, ReadOnlyProfileIsReadButNotReplaced) {
    const std::string profile =
        "<profile><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></profile>";
    this->WriteProfile(profile);
    namespace fs = std::filesystem;
    fs::permissions(this->path_,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_EQ(store.GetInt(kSection, "Vel", 0), 3);
    store.SetInt(kSection, "Vel", 4);
    store.Close();
    EXPECT_EQ(this->ReadProfile(), profile);
    EXPECT_EQ(this->OtherFiles(), std::vector<std::string>{});
}

TYPED_TEST_P(ProfileStoreCases, EmptyFileNameSavesNothing) {
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(this->dir_);
    ProfileStore store;
    store.Open(&this->factory(), "");
    EXPECT_EQ(store.GetInt(kSection, "Vel", 2), 2);
    store.SetInt(kSection, "Vel", 4);
    store.Close();
    std::filesystem::current_path(here);
    EXPECT_TRUE(std::filesystem::is_empty(this->dir_));
}

REGISTER_TYPED_TEST_SUITE_P(
    ProfileStoreCases, MissingFileReadsDefaultsAndIsCreatedWithProfileRoot,
    ValuesAreWrittenAsPlainDecimalAndReadBack, TextReadsAsItsLeadingNumber,
    EmptyKeyElementReadsDefaultAndIsRemovedAtClose, OnlyTheFirstOfTwoSectionsOfOneNameIsUsed,
    NamesMatchExactlyAndNewElementsGoLast, SetIntReplacesTheWholeContentOfTheKey,
    AStoreThatChangesNothingLeavesTheFileUntouched, HostBytesAreKeptByteForByte,
    AUtf16ProfileStaysUtf16, An8BitProfileWithoutEncodingReadsAndKeepsItsBytes,
    AnExternalDtdThatDoesNotExistIsNotNeeded, EmptyFileIsTreatedAsMissing,
    UnparseableProfilesAreLeftByteForByte, ASaveFailingAtAnyStepLeavesTheProfileWhole,
    ASaveInTheMiddleOfAnotherWritesAFileOfItsOwn, TwoWritersAtOnceLeaveOneWholeVersion,
    ReadOnlyProfileIsReadButNotReplaced, EmptyFileNameSavesNothing);

}  // namespace k7::test
