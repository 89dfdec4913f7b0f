// Save faults the operating system produces, on the pugixml adapter.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/profile_store.h"
#include "settings/pugixml/pugixml_dom.h"

namespace k7::test {
namespace {

class PugiXmlSaveFault : public ::testing::Test {
  protected:
    PugiXmlSaveFault() {
        dir_ = std::filesystem::temp_directory_path() /
               ("k7-save-fault-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "profile.xml").string();
        // A profile of a realistic size, so a save writes far more than one block.
        profile_ = "<profile>\n";
        for (int i = 0; i < 400; ++i)
            profile_ += "  <Axis" + std::to_string(i) + " steps=\"2000\">1.25</Axis" +
                        std::to_string(i) + ">\n";
        profile_ += "  <Ravlen_K7_Pendant><Vel>3</Vel></Ravlen_K7_Pendant>\n</profile>\n";
        std::ofstream(path_, std::ios::binary) << profile_;
    }
    ~PugiXmlSaveFault() override { std::filesystem::remove_all(dir_); }

    bool NothingBesideTheProfile() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            if (entry.path() != std::filesystem::path(path_)) return false;
        }
        return true;
    }
    std::string Profile() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void SaveVel(std::int32_t vel) {
        ProfileStore store;
        store.Open(&xml_, path_);
        store.SetInt("Ravlen_K7_Pendant", "Vel", vel);
        store.Close();
    }

    PugiXmlDomFactory xml_;
    std::filesystem::path dir_;
    std::string path_;
    std::string profile_;
};

// The file size limit makes write(2) stop partway through the temporary file,
// as a full disk would.
TEST_F(PugiXmlSaveFault, AWriteFailingMidwayLeavesTheProfileIntact) {
    ASSERT_GT(profile_.size(), 8192u);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    SaveVel(4);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(Profile(), profile_);
    EXPECT_TRUE(NothingBesideTheProfile());
}

TEST_F(PugiXmlSaveFault, TheSavedProfileKeepsItsPermissions) {
    ASSERT_EQ(chmod(path_.c_str(), 0640), 0);
    SaveVel(4);
    struct stat info {};
    ASSERT_EQ(stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_NE(Profile().find("<Vel>4</Vel>"), std::string::npos);
}

TEST_F(PugiXmlSaveFault, AnUnreadableProfileIsNotReplaced) {
    // A directory where the profile should be: it exists but cannot be read.
    std::filesystem::remove(path_);
    std::filesystem::create_directory(path_);
    SaveVel(4);
    EXPECT_TRUE(std::filesystem::is_directory(path_));
    EXPECT_TRUE(NothingBesideTheProfile());
}

// Each save has a file of its own, created exclusively, and every step of the
// save succeeds on a real directory, its flush included.
TEST_F(PugiXmlSaveFault, EachSaveWritesAFileOfItsOwn) {
    PosixProfileFiles files;
    const std::string first = files.CreateUnique(path_);
    const std::string second = files.CreateUnique(path_);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(std::filesystem::path(first).parent_path(), dir_);
    EXPECT_EQ(std::filesystem::file_size(first), 0u);
    EXPECT_TRUE(files.Write(first, "<profile/>"));
    EXPECT_TRUE(files.Flush(first));
    EXPECT_TRUE(files.Replace(first, path_));
    EXPECT_TRUE(files.FlushDirectoryOf(path_));
    EXPECT_EQ(Profile(), "<profile/>");
    files.Remove(second);
    EXPECT_TRUE(NothingBesideTheProfile());
}

}  // namespace
}  // namespace k7::test
