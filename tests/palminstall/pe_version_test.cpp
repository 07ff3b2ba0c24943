// The PE version reader against the images of its fuzz corpus: both header widths, every
// truncation, and single fields changed to point elsewhere or back up the resource tree.
// The fuzz target itself runs the reader over arbitrary bytes.
#include "platform/file_version.h"
#include "tests/palminstall/pe_images.h"

#include <gtest/gtest.h>

#include <array>

namespace tarvenne::platform {
namespace {

using namespace tarvenne::testing;
using Parts = std::array<int, 4>;
using E = PeVersionError;

// Parses a copy of exactly the first size bytes, so a sanitizer sees any read past them.
E Parse(const std::vector<std::uint8_t>& bytes, std::size_t size, Parts* parts) {
    const std::vector<std::uint8_t> exact(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    FileVersion v;
    v.major = 99;
    const E error = ParsePeFileVersion(exact.empty() ? nullptr : exact.data(), size, &v);
    *parts = {v.major, v.minor, v.build, v.private_part};
    return error;
}

TEST(PeVersion, ReadsBothHeaderWidthsAndRefusesEveryTruncation) {
    const std::pair<const char*, Parts> images[] = {{"pe32-4.1.2.0.exe", {4, 1, 2, 0}},
                                                    {"pe32plus-6.0.1.5.exe", {6, 0, 1, 5}}};
    for (const auto& [name, version] : images) {
        const std::vector<std::uint8_t> bytes = PeImage(name);
        for (std::size_t size = 0; size <= bytes.size(); ++size) {
            const bool whole = size >= kVersionRecordEnd;  // the section's padding is not needed
            Parts parts;
            EXPECT_EQ(Parse(bytes, size, &parts) == E::None, whole) << name << " " << size;
            EXPECT_EQ(parts, (whole ? version : Parts{})) << name << " " << size;
        }
    }
}

TEST(PeVersion, ChangedFieldsAreRefusedWithoutGoingRound) {
    const struct { const char* what; std::size_t offset; std::uint32_t value; int width; E expected; } cases[] = {
        {"no MZ", 0, 'Z', 1, E::NotPe},
        {"no PE signature", kPeHeader + 2, 'X', 1, E::NotPe},
        {"more sections than bytes", kPeHeader + 6, 0xFFFF, 2, E::NotPe},
        {"unknown optional header", kOptionalHeader, 0x107, 2, E::NotPe},
        {"resources in no section", kOptionalHeader + 112, 0x5000, 4, E::NoResources},
        {"section longer than the file", kSectionHeader + 16, 0xFFFFFFFF, 4, E::None},
        {"no version type", kResourceRoot + 16, 3, 4, E::NoVersion},
        {"type entry no directory", kResourceRoot + 20, 0x18, 4, E::BadResourceTree},
        {"type pointing at the root", kResourceRoot + 20, 0x80000000, 4, E::BadResourceTree},
        {"no names", kNameDirectory + 14, 0, 2, E::NoVersion},
        {"language pointing at its directory", kLanguageDirectory + 20, 0x80000030, 4, E::BadResourceTree},
        {"record in no section", kDataEntry, 0x0FFF, 4, E::BadResourceTree},
        {"record larger than its section", kDataEntry + 4, 0xFFFFFFFF, 4, E::BadResourceTree},
        {"misnamed record", kVersionRecord + 8, 'T', 1, E::BadVersionRecord},
        {"unsigned record", kVersionRecord + 40, 0xFEEF04BE, 4, E::BadVersionRecord},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes = PeImage("pe32-4.1.2.0.exe");
        Put(&bytes, c.offset, c.value, c.width);
        Parts parts;
        EXPECT_EQ(Parse(bytes, bytes.size(), &parts), c.expected) << c.what;
        EXPECT_EQ(parts, (c.expected == E::None ? Parts{4, 1, 2, 0} : Parts{})) << c.what;
    }
}

}  // namespace
}  // namespace tarvenne::platform
