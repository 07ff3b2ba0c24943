// A fresh folder per test under the system's temporary folder, removed afterwards, and the
// files a test reads back.
#pragma once

#include "platform/module_folder.h"
#include "platform/private_profile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tarvenne::testing {

class TestFolder {
public:
    TestFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "t";
        for (char& c : name)
            if (c == '/' || c == '\\') c = '_';
        // The clock keeps runs of the same test (from two build folders, say) apart.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() / ("tarvenne-" + name + "-" + std::to_string(now));
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // The path of a file in this folder, as a narrow string the program's calls take.
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// A test folder whose settings file is the program's while it lives, so that no test
// reads the settings of the machine or of another test; Palm Desktop is looked for in the
// folder (where there is none), whatever the machine or the Wine prefix has installed.
class SettingsFolder : public TestFolder {
public:
    SettingsFolder() {
        platform::SetSettingsFileForTesting(File("tarvenne.ini"));
        platform::WriteIniString("Path", "PDPath", File(""), File("tarvenne.ini"));
    }
    ~SettingsFolder() { platform::SetSettingsFileForTesting(""); }
};

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// A file's bytes as they stand, empty if it cannot be read.
inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline std::vector<std::uint8_t> FileBytes(const std::string& path) { return Bytes(FileText(path)); }

// Whether a text (a report, a message) holds a part; either way the message shows both.
inline ::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    const bool holds = text.find(part) != std::string::npos;
    return (holds ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
           << "\"" << part << (holds ? "\" is in:\n" : "\" is not in:\n") << text;
}

#ifdef _WIN32
// Build paths are Linux paths; a Windows program under Wine reaches them through drive Z:.
inline std::string WinPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path;
}
#endif

}  // namespace tarvenne::testing
