// The PE version reader against images assembled byte by byte: both header widths, and
// every kind of damage a file can carry, none of which may read outside the bytes.
#include "platform/file_version.h"
#include "tests/palminstall/pe_image_builder.h"

#include <gtest/gtest.h>

namespace tarvenne::platform {
namespace {

using tarvenne::testing::BuildPeImage;
using tarvenne::testing::PeImage;
using tarvenne::testing::Put16;
using tarvenne::testing::Put32;

// Parses a copy of exactly the bytes given, so a sanitizer sees any read past them.
PeVersionError Parse(const std::vector<std::uint8_t>& bytes, std::size_t size, FileVersion* v) {
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    return ParsePeFileVersion(exact.empty() ? nullptr : exact.data(), exact.size(), v);
}

PeVersionError Parse(const std::vector<std::uint8_t>& bytes, FileVersion* v) {
    return Parse(bytes, bytes.size(), v);
}

TEST(PeVersion, ReadsTheFixedFileVersionOfBothHeaderWidths) {
    for (bool plus : {false, true}) {
        const PeImage image = BuildPeImage(4, 1, 2, 7, plus);
        FileVersion v;
        ASSERT_EQ(Parse(image.bytes, &v), PeVersionError::None) << "PE32+ " << plus;
        EXPECT_EQ(v.major, 4);
        EXPECT_EQ(v.minor, 1);
        EXPECT_EQ(v.build, 2);
        EXPECT_EQ(v.private_part, 7);
    }
    FileVersion v;
    ASSERT_EQ(Parse(BuildPeImage(65535, 65534, 65533, 65532).bytes, &v), PeVersionError::None);
    EXPECT_EQ(v.major, 65535);
    EXPECT_EQ(v.private_part, 65532);
}

TEST(PeVersion, EveryTruncationFailsCleanly) {
    const PeImage image = BuildPeImage(6, 0, 1, 5);
    // The record ends 92 bytes into it; the section's padding after it is not needed.
    const std::size_t needed = image.version_record + 92;
    for (std::size_t size = 0; size < image.bytes.size(); ++size) {
        FileVersion v;
        v.major = 99;
        const PeVersionError error = Parse(image.bytes, size, &v);
        if (size >= needed) {
            EXPECT_EQ(error, PeVersionError::None) << size;
            EXPECT_EQ(v.major, 6);
        } else {
            EXPECT_NE(error, PeVersionError::None) << size;
            EXPECT_EQ(v.major, 0) << size;  // outputs are cleared on failure
        }
    }
    EXPECT_EQ(ParsePeFileVersion(nullptr, 100, nullptr), PeVersionError::NotPe);
}

TEST(PeVersion, DamagedHeadersAreRefused) {
    const PeImage good = BuildPeImage(4, 1, 1, 0);
    FileVersion v;
    auto damaged = [&](auto change) {
        std::vector<std::uint8_t> bytes = good.bytes;
        change(&bytes);
        return Parse(bytes, &v);
    };
    EXPECT_EQ(damaged([](auto* b) { (*b)[0] = 'Z'; }), PeVersionError::NotPe);
    EXPECT_EQ(damaged([](auto* b) { Put32(b, 0x3C, 0xFFFFFFFC); }), PeVersionError::NotPe);
    EXPECT_EQ(damaged([](auto* b) { Put32(b, 0x3C, 0x2FE); }), PeVersionError::NotPe);
    EXPECT_EQ(damaged([&](auto* b) { (*b)[good.pe_header + 2] = 'X'; }), PeVersionError::NotPe);
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, good.optional_header, 0x107); }), PeVersionError::NotPe);
    // More sections than the file has bytes for, and an optional header running past
    // the end of the file.
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, good.pe_header + 6, 0xFFFF); }), PeVersionError::NotPe);
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, good.pe_header + 20, 0xFFFF); }), PeVersionError::NotPe);
    // An optional header too short to hold the resource directory's entry.
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, good.pe_header + 20, 100); }), PeVersionError::NoResources);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.optional_header + 92, 2); }), PeVersionError::NoResources);
    // The resource directory elsewhere than in the section, or nowhere.
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.optional_header + 96 + 16, 0); }), PeVersionError::NoResources);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.optional_header + 96 + 16, 0x5000); }), PeVersionError::NoResources);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.optional_header + 96 + 16, 0x10F8); }), PeVersionError::NoResources);
    // A section whose file data lies beyond the end of the file, or wraps around.
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.section_header + 20, 0xFFFFFF00); }), PeVersionError::NoResources);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.section_header + 16, 0xFFFFFFFF); }), PeVersionError::None);
}

TEST(PeVersion, DamagedResourceTreesEndWithoutLooping) {
    const PeImage good = BuildPeImage(4, 1, 1, 0);
    FileVersion v;
    auto damaged = [&](auto change) {
        std::vector<std::uint8_t> bytes = good.bytes;
        change(&bytes);
        return Parse(bytes, &v);
    };
    const std::size_t root = good.resources;
    // No version among the types, or a type entry that is no directory.
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, root + 16, 3); }), PeVersionError::NoVersion);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, root + 16, 0x80000010); }), PeVersionError::NoVersion);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, root + 20, 0x18); }), PeVersionError::BadResourceTree);
    // Entry counts far beyond the section.
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, root + 12, 0xFFFF); Put16(b, root + 14, 0xFFFF); }),
              PeVersionError::BadResourceTree);
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, good.name_directory + 14, 0x4000); }),
              PeVersionError::BadResourceTree);
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, good.name_directory + 14, 0); }), PeVersionError::NoVersion);
    // Cycles: the type entry pointing at the root itself, the name entry back at the
    // root, the language directory at itself.
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, root + 20, 0x80000000); }), PeVersionError::BadResourceTree);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.name_directory + 20, 0x80000000); }),
              PeVersionError::BadResourceTree);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.name_directory + 20, 0x80000018); }),
              PeVersionError::BadResourceTree);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.language_directory + 20, 0x80000030); }),
              PeVersionError::BadResourceTree);
    // Offsets past the section and past 2 GB.
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, root + 20, 0xFFFFFFF0); }), PeVersionError::BadResourceTree);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.language_directory + 20, 0xFC); }),
              PeVersionError::BadResourceTree);
    // The data entry's record outside the section or bigger than it.
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.data_entry, 0x0FFF); }), PeVersionError::BadResourceTree);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.data_entry + 4, 0xFFFFFFFF); }),
              PeVersionError::BadResourceTree);
}

TEST(PeVersion, DamagedVersionRecordsAreRefused) {
    const PeImage good = BuildPeImage(4, 1, 1, 0);
    FileVersion v;
    auto damaged = [&](auto change) {
        std::vector<std::uint8_t> bytes = good.bytes;
        change(&bytes);
        return Parse(bytes, &v);
    };
    const std::size_t record = good.version_record;
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, record + 40, 0xFEEF04BE); }), PeVersionError::BadVersionRecord);
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, record, 93); }), PeVersionError::BadVersionRecord);
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, record, 91); }), PeVersionError::BadVersionRecord);
    EXPECT_EQ(damaged([&](auto* b) { Put16(b, record + 2, 51); }), PeVersionError::BadVersionRecord);
    EXPECT_EQ(damaged([&](auto* b) { (*b)[record + 8] = 'T'; }), PeVersionError::BadVersionRecord);
    EXPECT_EQ(damaged([&](auto* b) { Put32(b, good.data_entry + 4, 91); }), PeVersionError::BadVersionRecord);
    EXPECT_EQ(v.major, 0);
}

TEST(PeVersion, NoSingleByteChangeReadsOutsideTheImage) {
    // Run under the sanitizers this is where an unchecked offset shows itself.
    const PeImage good = BuildPeImage(4, 1, 2, 0);
    for (std::size_t at = 0; at < good.version_record + 92; ++at) {
        for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0x7F}, std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
            std::vector<std::uint8_t> bytes = good.bytes;
            bytes[at] = value;
            FileVersion v;
            if (Parse(bytes, &v) != PeVersionError::None) {
                EXPECT_EQ(v.major, 0);
            }
        }
    }
}

}  // namespace
}  // namespace tarvenne::platform
