// The profile store's cases, written once and run on each XML adapter: an
// Adapter type provides `XmlDomFactory& factory()`, sets up whatever its
// library needs (COM on Windows) for as long as it lives, and tells with
// `kKeepsCarriageReturns` whether its parser keeps CR LF line ends (an XML
// parser may turn them into LF, as the standard asks).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "settings/profile_store.h"

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
    bool TempExists() const { return std::filesystem::exists(ProfileStore::TempPath(path_)); }

    // The saved file without its declaration line and surrounding line ends,
    // which differ between XML libraries.
    std::string Body() const {
        std::string text = ReadProfile();
        if (text.rfind("<?xml", 0) == 0) text.erase(0, text.find("?>") + 2);
        const auto first = text.find_first_not_of(" \r\n");
        const auto last = text.find_last_not_of(" \r\n");
        return first == std::string::npos ? "" : text.substr(first, last - first + 1);
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
    EXPECT_EQ(this->Body(),
              "<profile><Ravlen_K7_Pendant><StepJogRate>100</StepJogRate>"
              "</Ravlen_K7_Pendant></profile>");
    EXPECT_FALSE(this->TempExists());
}

TYPED_TEST_P(ProfileStoreCases, ValuesAreWrittenAsPlainDecimalAndReadBack) {
    const std::int32_t values[] = {-25, 0, 7, 2147483647, -2147483647 - 1};
    for (const std::int32_t value : values) {
        ProfileStore store;
        store.Open(&this->factory(), this->path_);
        store.SetInt(kSection, "OEM1", value);
        store.Close();
        EXPECT_NE(this->Body().find("<OEM1>" + std::to_string(value) + "</OEM1>"),
                  std::string::npos)
            << this->Body();
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
    EXPECT_EQ(this->Body(),
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
    EXPECT_EQ(this->Body(),
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
    EXPECT_EQ(this->Body(),
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
    EXPECT_EQ(this->Body(),
              "<profile><Ravlen_K7_Pendant><Vel>5</Vel></Ravlen_K7_Pendant></profile>");
}

TYPED_TEST_P(ProfileStoreCases, OpenAndCloseWithoutReadsStillRewritesTheFile) {
    const std::string profile = "<profile><Host>1</Host></profile>";
    this->WriteProfile(profile);
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(this->path_, old);
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    store.Close();
    EXPECT_GT(std::filesystem::last_write_time(this->path_), old);
    EXPECT_EQ(this->Body(), profile);
}

TYPED_TEST_P(ProfileStoreCases, HostContentSurvivesARoundTrip) {
    const std::string before =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<profile>\r\n"
        "  <!-- motor tuning -->\r\n"
        "  <Preferences>\r\n"
        "    <Motor axis=\"X\" steps=\"2000\" accel=\"15.5\">on</Motor>\r\n"
        "    <Name>Mill &amp; Lathe</Name>\r\n"
        "    <Empty/>\r\n"
        "    <Cdata><![CDATA[a < b]]></Cdata>\r\n"
        "  </Preferences>\r\n"
        "  <Ravlen_K7_Pendant><Vel>1</Vel></Ravlen_K7_Pendant>\r\n"
        "</profile>\r\n";
    this->WriteProfile(before);
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    store.SetInt(kSection, "Vel", 2);
    store.Close();
    std::string expected = before;
    expected.replace(expected.find("<Vel>1</Vel>"), 12, "<Vel>2</Vel>");
    if (!TypeParam::kKeepsCarriageReturns) {
        for (auto at = expected.find('\r'); at != std::string::npos; at = expected.find('\r'))
            expected.erase(at, 1);
    }
    EXPECT_EQ(this->ReadProfile(), expected);
}

TYPED_TEST_P(ProfileStoreCases, EmptyFileIsTreatedAsMissing) {
    this->WriteProfile("");
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    EXPECT_TRUE(store.saveAllowed());
    store.SetInt(kSection, "Vel", 2);
    store.Close();
    EXPECT_EQ(this->Body(),
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
        EXPECT_FALSE(this->TempExists());
    }
}

TYPED_TEST_P(ProfileStoreCases, FailedSaveKeepsTheOriginal) {
    const std::string profile =
        "<profile><Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant></profile>";
    this->WriteProfile(profile);
    // A directory where the temporary file would go: the save cannot be written.
    std::filesystem::create_directory(ProfileStore::TempPath(this->path_));
    ProfileStore store;
    store.Open(&this->factory(), this->path_);
    store.SetInt(kSection, "Vel", 4);
    store.Close();
    EXPECT_EQ(this->ReadProfile(), profile);
    EXPECT_TRUE(std::filesystem::is_directory(ProfileStore::TempPath(this->path_)));
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
    EXPECT_FALSE(this->TempExists());
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

REGISTER_TYPED_TEST_SUITE_P(ProfileStoreCases, MissingFileReadsDefaultsAndIsCreatedWithProfileRoot,
                            ValuesAreWrittenAsPlainDecimalAndReadBack, TextReadsAsItsLeadingNumber,
                            EmptyKeyElementReadsDefaultAndIsRemovedAtClose,
                            OnlyTheFirstOfTwoSectionsOfOneNameIsUsed,
                            NamesMatchExactlyAndNewElementsGoLast,
                            SetIntReplacesTheWholeContentOfTheKey,
                            OpenAndCloseWithoutReadsStillRewritesTheFile,
                            HostContentSurvivesARoundTrip, EmptyFileIsTreatedAsMissing,
                            UnparseableProfilesAreLeftByteForByte, FailedSaveKeepsTheOriginal,
                            ReadOnlyProfileIsReadButNotReplaced, EmptyFileNameSavesNothing);

}  // namespace k7::test
