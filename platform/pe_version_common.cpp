// The fixed file version out of a PE image's version resource, read from bytes in memory:
// DOS header, PE header, section table, resource tree, VS_VERSIONINFO, VS_FIXEDFILEINFO.
#include "platform/file_version.h"

namespace tarvenne::platform {
namespace {

constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kFixedInfoSize = 52;
// "VS_VERSION_INFO" and its terminator in UTF-16, then padding to a 32-bit boundary.
constexpr char kVersionKey[] = "VS_VERSION_INFO";
constexpr std::uint64_t kVersionValueOffset = 40;

// Little-endian reads at offsets inside one window of the image. Once a read falls
// outside the window every later read fails too, so a chain of reads is checked once at
// its end.
class ImageReader {
public:
    ImageReader(const std::uint8_t* bytes, std::uint64_t size) : bytes_(bytes), size_(size) {}

    bool Has(std::uint64_t offset, std::uint64_t length) const {
        return !failed_ && offset <= size_ && length <= size_ - offset;
    }
    std::uint16_t U16(std::uint64_t offset) {
        if (!Has(offset, 2)) return Fail();
        return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
    }
    std::uint32_t U32(std::uint64_t offset) {
        if (!Has(offset, 4)) return Fail();
        return static_cast<std::uint32_t>(bytes_[offset]) |
               (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
    }
    bool failed() const { return failed_; }

private:
    std::uint16_t Fail() {
        failed_ = true;
        return 0;
    }

    const std::uint8_t* bytes_;  // not owned: the caller's image outlives the reader
    std::uint64_t size_;
    bool failed_ = false;
};

struct SectionTable {
    std::uint64_t offset = 0;  // of the first section header in the file
    std::uint32_t count = 0;
};

// The file offset of length bytes at a relative virtual address: they must lie inside
// the file data of one section (bytes a section only has in memory are not in the file).
bool MapRva(ImageReader& file, const SectionTable& sections, std::uint32_t rva,
            std::uint64_t length, std::uint64_t* offset) {
    for (std::uint32_t i = 0; i < sections.count; ++i) {
        const std::uint64_t header = sections.offset + i * kSectionHeaderSize;
        const std::uint32_t address = file.U32(header + 12);
        const std::uint32_t raw_size = file.U32(header + 16);
        const std::uint32_t raw_pointer = file.U32(header + 20);
        if (file.failed()) return false;
        if (rva < address) continue;
        const std::uint64_t into = rva - address;
        if (into >= raw_size || length > raw_size - into) continue;
        *offset = raw_pointer + into;
        return file.Has(*offset, length);
    }
    return false;
}

// How much of the section holding rva lies in the file from rva on: the room that
// offsets inside the resource tree may address.
std::uint64_t RoomAfterRva(ImageReader& file, const SectionTable& sections, std::uint32_t rva) {
    for (std::uint32_t i = 0; i < sections.count; ++i) {
        const std::uint64_t header = sections.offset + i * kSectionHeaderSize;
        const std::uint32_t address = file.U32(header + 12);
        const std::uint32_t raw_size = file.U32(header + 16);
        if (file.failed()) return 0;
        if (rva >= address && rva - address < raw_size) return raw_size - (rva - address);
    }
    return 0;
}

struct DirectoryEntry {
    std::uint32_t name = 0;
    std::uint32_t target = 0;
};

// The entries of the resource directory at offset (from the tree's root), or false when
// its header or entries do not fit the tree.
bool EntryCount(ImageReader& tree, std::uint64_t offset, std::uint32_t* count) {
    const std::uint32_t named = tree.U16(offset + 12);
    const std::uint32_t ids = tree.U16(offset + 14);
    *count = named + ids;
    return !tree.failed() && tree.Has(offset + 16, std::uint64_t{*count} * 8);
}

DirectoryEntry EntryAt(ImageReader& tree, std::uint64_t directory, std::uint32_t index) {
    DirectoryEntry entry;
    entry.name = tree.U32(directory + 16 + std::uint64_t{index} * 8);
    entry.target = tree.U32(directory + 20 + std::uint64_t{index} * 8);
    return entry;
}

}  // namespace

PeVersionError ParsePeFileVersion(const std::uint8_t* bytes, std::size_t size,
                                  FileVersion* version) {
    if (version) *version = FileVersion();
    if (!bytes || !version) return PeVersionError::NotPe;
    ImageReader file(bytes, size);

    // DOS header, then the PE signature and the file header it points at.
    if (file.U16(0) != 0x5A4D) return PeVersionError::NotPe;  // "MZ"
    const std::uint64_t pe = file.U32(0x3C);
    if (file.U32(pe) != kPeSignature || file.failed()) return PeVersionError::NotPe;
    const std::uint64_t coff = pe + 4;
    const std::uint32_t section_count = file.U16(coff + 2);
    const std::uint64_t optional_size = file.U16(coff + 16);
    const std::uint64_t optional = coff + 20;
    const std::uint16_t magic = file.U16(optional);
    if (file.failed()) return PeVersionError::NotPe;

    std::uint64_t rva_count_at = 0;
    std::uint64_t directories_at = 0;
    if (magic == kPe32Magic) {
        rva_count_at = 92;
        directories_at = 96;
    } else if (magic == kPe32PlusMagic) {
        rva_count_at = 108;
        directories_at = 112;
    } else {
        return PeVersionError::NotPe;
    }
    SectionTable sections;
    sections.offset = optional + optional_size;
    sections.count = section_count;
    if (!file.Has(optional, optional_size) ||
        !file.Has(sections.offset, sections.count * kSectionHeaderSize))
        return PeVersionError::NotPe;

    // The resource directory's entry among the data directories, if the header has one.
    const std::uint64_t resource_entry = directories_at + kResourceDirectoryIndex * 8;
    if (optional_size < rva_count_at + 4 || file.U32(optional + rva_count_at) <= kResourceDirectoryIndex ||
        optional_size < resource_entry + 8)
        return PeVersionError::NoResources;
    const std::uint32_t resource_rva = file.U32(optional + resource_entry);
    if (file.failed() || resource_rva == 0) return PeVersionError::NoResources;

    // The tree's own offsets count from its root and stay inside its section.
    // A section cut off by the end of the file keeps the part that is there.
    std::uint64_t root = 0;
    std::uint64_t room = RoomAfterRva(file, sections, resource_rva);
    if (room < 16 || !MapRva(file, sections, resource_rva, 16, &root))
        return PeVersionError::NoResources;
    if (room > size - root) room = size - root;
    ImageReader tree(bytes + root, room);

    // Level 1: the type; only numbered entries can be RT_VERSION.
    std::uint32_t count = 0;
    if (!EntryCount(tree, 0, &count)) return PeVersionError::BadResourceTree;
    std::uint32_t node = 0;
    bool found = false;
    for (std::uint32_t i = 0; i < count && !found; ++i) {
        const DirectoryEntry entry = EntryAt(tree, 0, i);
        if ((entry.name & kHighBit) == 0 && entry.name == kRtVersion) {
            if ((entry.target & kHighBit) == 0) return PeVersionError::BadResourceTree;
            node = entry.target & ~kHighBit;
            found = true;
        }
    }
    if (tree.failed()) return PeVersionError::BadResourceTree;
    if (!found) return PeVersionError::NoVersion;

    // Levels 2 and 3: the first name, then its first language, which must be the record's
    // data entry. Exactly two steps are taken, so entries pointing back up the tree can
    // not make the walk go round.
    for (int level = 2; level <= 3; ++level) {
        if (!EntryCount(tree, node, &count)) return PeVersionError::BadResourceTree;
        if (count == 0) return PeVersionError::NoVersion;
        const DirectoryEntry first = EntryAt(tree, node, 0);
        if (tree.failed()) return PeVersionError::BadResourceTree;
        const bool is_directory = (first.target & kHighBit) != 0;
        if (is_directory != (level == 2)) return PeVersionError::BadResourceTree;
        node = first.target & ~kHighBit;
    }
    const std::uint32_t data_rva = tree.U32(node);
    const std::uint32_t data_size = tree.U32(node + 4);
    if (tree.failed()) return PeVersionError::BadResourceTree;

    // VS_VERSIONINFO: length, value length, type, the key, then VS_FIXEDFILEINFO.
    std::uint64_t record = 0;
    if (data_size < kVersionValueOffset + kFixedInfoSize)
        return PeVersionError::BadVersionRecord;
    if (!MapRva(file, sections, data_rva, data_size, &record)) return PeVersionError::BadResourceTree;
    ImageReader info(bytes + record, data_size);
    const std::uint16_t length = info.U16(0);
    const std::uint16_t value_length = info.U16(2);
    if (length < kVersionValueOffset + kFixedInfoSize || length > data_size ||
        value_length < kFixedInfoSize)
        return PeVersionError::BadVersionRecord;
    for (std::uint64_t i = 0; i < sizeof kVersionKey; ++i) {
        if (info.U16(6 + 2 * i) != static_cast<std::uint8_t>(kVersionKey[i]))
            return PeVersionError::BadVersionRecord;
    }
    if (info.U32(kVersionValueOffset) != kFixedInfoSignature) return PeVersionError::BadVersionRecord;
    const std::uint32_t most = info.U32(kVersionValueOffset + 8);
    const std::uint32_t least = info.U32(kVersionValueOffset + 12);
    if (info.failed()) return PeVersionError::BadVersionRecord;

    version->major = static_cast<std::uint16_t>(most >> 16);
    version->minor = static_cast<std::uint16_t>(most & 0xFFFF);
    version->build = static_cast<std::uint16_t>(least >> 16);
    version->private_part = static_cast<std::uint16_t>(least & 0xFFFF);
    return PeVersionError::None;
}

}  // namespace tarvenne::platform
