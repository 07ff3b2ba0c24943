// The images of the version reader's fuzz corpus as test fixtures: a PE32 image of version
// 4.1.2.0 and a PE32+ one of 6.0.1.5, laid out alike.
#pragma once

#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvenne::testing {

// File offsets of the parts tests change (the section header's is the PE32 image's).
enum PeOffset : std::size_t {
    kPeHeader = 0x40, kOptionalHeader = 0x58, kSectionHeader = 0x138, kResourceRoot = 0x200,
    kNameDirectory = 0x218, kLanguageDirectory = 0x230, kDataEntry = 0x248, kVersionRecord = 0x258,
    kFileVersion = 0x288, kVersionRecordEnd = 0x2B4,
};

inline void Put(std::vector<std::uint8_t>* bytes, std::size_t offset, std::uint32_t value, int width = 4) {
    for (int i = 0; i < width; ++i) bytes->at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// One of the images, its file version replaced by {major, minor, build, private part} if given.
inline std::vector<std::uint8_t> PeImage(const char* name, const std::vector<std::uint16_t>& version = {}) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(platform::ReadFileBytes(TARVENNE_SOURCE_DIR "/fuzz/corpus/pe_version/" + std::string(name), &bytes));
    EXPECT_EQ(bytes.size(), 0x300u) << name << " is not laid out as these tests expect";
    if (version.size() == 4) {
        Put(&bytes, kFileVersion, std::uint32_t{version[0]} << 16 | version[1]);
        Put(&bytes, kFileVersion + 4, std::uint32_t{version[2]} << 16 | version[3]);
    }
    return bytes;
}

}  // namespace tarvenne::testing
