// Assembles small PE images byte by byte, with one resource section holding a version
// record, so the version reader is tested against files no linker produced.
#pragma once

#include "tests/byte_builder.h"

#include <cstdint>
#include <vector>

namespace tarvenne::testing {

struct PeImage {
    std::vector<std::uint8_t> bytes;
    // File offsets of the parts tests corrupt.
    std::size_t pe_header = 0;
    std::size_t optional_header = 0;
    std::size_t section_header = 0;
    std::size_t resources = 0;       // root of the resource tree
    std::size_t name_directory = 0;  // level 2
    std::size_t language_directory = 0;
    std::size_t data_entry = 0;
    std::size_t version_record = 0;  // VS_VERSIONINFO
};

// A PE32 (or PE32+) image whose version resource says major.minor.build.private_part.
inline PeImage BuildPeImage(std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                            std::uint16_t private_part, bool pe32_plus = false) {
    constexpr std::uint32_t kSectionRva = 0x1000;
    constexpr std::uint32_t kSectionFileOffset = 0x200;
    PeImage image;
    ByteBuilder b;
    b.Raw("MZ").Zeros(0x3A).Int32(0x40);  // e_lfanew
    image.pe_header = b.Size();
    const std::uint16_t optional_size = pe32_plus ? 240 : 224;
    b.Raw(std::string_view("PE\0\0", 4))
        .Int16(pe32_plus ? 0x8664 : 0x14C)  // machine
        .Int16(1)                           // sections
        .Int32(0).Int32(0).Int32(0)
        .Int16(optional_size)
        .Int16(0x0102);
    image.optional_header = b.Size();
    b.Int16(pe32_plus ? 0x20B : 0x10B).Zeros(pe32_plus ? 106 : 90).Int32(16);  // rva count
    for (int i = 0; i < 16; ++i) {
        if (i == 2) b.Int32(kSectionRva).Int32(0x100);
        else b.Int32(0).Int32(0);
    }
    image.section_header = b.Size();
    b.Raw(std::string_view(".rsrc\0\0\0", 8))
        .Int32(0x100)               // virtual size
        .Int32(kSectionRva)         // virtual address
        .Int32(0x100)               // raw size
        .Int32(kSectionFileOffset)  // raw pointer
        .Zeros(16);
    b.Zeros(kSectionFileOffset - b.Size());

    image.resources = b.Size();
    b.Zeros(12).Int16(0).Int16(1).Int32(16).Int32(0x80000018);  // type RT_VERSION
    image.name_directory = b.Size();
    b.Zeros(12).Int16(0).Int16(1).Int32(1).Int32(0x80000030);  // name 1
    image.language_directory = b.Size();
    b.Zeros(12).Int16(0).Int16(1).Int32(0x409).Int32(0x48);  // language, data entry
    image.data_entry = b.Size();
    b.Int32(kSectionRva + 0x58).Int32(92).Int32(0).Int32(0);
    b.Zeros(kSectionFileOffset + 0x58 - b.Size());
    image.version_record = b.Size();
    b.Int16(92).Int16(52).Int16(0);
    for (char c : std::string_view("VS_VERSION_INFO")) b.Int16(static_cast<std::uint8_t>(c));
    b.Int16(0).Int16(0);  // terminator, padding to a 32-bit boundary
    b.Int32(0xFEEF04BD).Int32(0x00010000)
        .Int32((std::uint32_t{major} << 16) | minor)
        .Int32((std::uint32_t{build} << 16) | private_part)
        .Int32(0x00090009).Int32(0x00090009)  // product version, which is not read
        .Zeros(28);
    b.Zeros(kSectionFileOffset + 0x100 - b.Size());
    image.bytes = b.Bytes();
    return image;
}

inline void Put32(std::vector<std::uint8_t>* bytes, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) (*bytes)[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void Put16(std::vector<std::uint8_t>* bytes, std::size_t offset, std::uint16_t v) {
    (*bytes)[offset] = static_cast<std::uint8_t>(v);
    (*bytes)[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace tarvenne::testing
