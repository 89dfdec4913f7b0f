// The version resource of the built K7.dll, read back as Explorer's Details
// read it: the project's version, and the maker the host's listing names.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plugin/plugin.h"

namespace {

class VersionInfo {
  public:
    explicit VersionInfo(const char* path) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
        if (size == 0) return;
        data_.resize(size);
        if (!GetFileVersionInfoA(path, 0, size, data_.data())) data_.clear();
    }
    bool found() const { return !data_.empty(); }
    const VS_FIXEDFILEINFO* Fixed() {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data_.data(), "\\", &value, &length) ||
            length < sizeof(VS_FIXEDFILEINFO))
            return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }
    // Explorer looks the strings up under the language the translation table names.
    std::string Text(const std::string& name) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", &value, &length) ||
            length < 4)
            return "(no translation table)";
        const auto* pair = static_cast<const WORD*>(value);
        char block[64];
        wsprintfA(block, "\\StringFileInfo\\%04x%04x\\", pair[0], pair[1]);
        if (!VerQueryValueA(data_.data(), (block + name).c_str(), &value, &length) || length == 0)
            return "(missing)";
        return static_cast<const char*>(value);
    }

  private:
    std::vector<char> data_;
};

TEST(VersionResource, CarriesTheProjectVersionProductAndMaker) {
    VersionInfo info(K7_MODULE_PATH);
    ASSERT_TRUE(info.found()) << "no version resource in " << K7_MODULE_PATH;
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS,
              static_cast<DWORD>(MAKELONG(K7_VERSION_MINOR, K7_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    EXPECT_EQ(info.Text("FileVersion"), K7_VERSION);
    EXPECT_EQ(info.Text("ProductVersion"), K7_VERSION);
    EXPECT_EQ(info.Text("ProductName"), "K7 Pendant");
    EXPECT_EQ(info.Text("OriginalFilename"), "K7.dll");
    EXPECT_NE(info.Text("FileDescription").find("pendant"), std::string::npos);
    // The host lists the plug-in as "K7 Pendant --<maker> Ver <version>".
    const std::string listed = k7::kPluginNameSuffix;
    EXPECT_NE(listed.find("--" + info.Text("CompanyName") + " Ver " + K7_VERSION),
              std::string::npos)
        << "maker " << info.Text("CompanyName") << " and version " << K7_VERSION
        << " are not those of the listing \"" << listed << "\"";
}

}  // namespace
