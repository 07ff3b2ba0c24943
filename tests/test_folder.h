// A fresh folder per test under the system's temporary folder, removed afterwards, and the
// files a test reads back.
#pragma once

#include "platform/module_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define TARVENNE_TEST_PID _getpid()
#else
#include <unistd.h>
#define TARVENNE_TEST_PID getpid()
#endif

namespace tarvenne::testing {

class TestFolder {
public:
    TestFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "t";
        for (char& c : name)
            if (c == '/' || c == '\\') c = '_';
        // The process id keeps runs of the same test from two build folders apart.
        path_ = std::filesystem::temp_directory_path() /
                ("tarvenne-" + name + "-" + std::to_string(TARVENNE_TEST_PID));
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
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
// reads the settings of the machine or of another test.
class SettingsFolder : public TestFolder {
public:
    SettingsFolder() { platform::SetSettingsFileForTesting(File("tarvenne.ini")); }
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

}  // namespace tarvenne::testing
