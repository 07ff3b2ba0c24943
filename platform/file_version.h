// The file version of an executable, from its version resource: four 16-bit parts, as
// Explorer shows them ("4.1.2.0").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvenne::platform {

struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t private_part = 0;
};

// Windows: GetFileVersionInfoA and the fixed file information of the root block "\".
// Linux: the same record read straight out of the PE file. False (all parts 0) when the
// file is missing, is no PE file or carries no version record.
bool ReadFileVersion(const std::string& path, FileVersion* version);

// Why a PE image gave no version, for tests and diagnostics.
enum class PeVersionError {
    None,
    NotPe,             // no MZ or PE signature, or the headers are cut off
    NoResources,       // no resource directory, or it lies outside every section
    NoVersion,         // the resource tree holds no version entry
    BadResourceTree,   // an entry points outside the image or the tree is too deep
    BadVersionRecord,  // the version record is cut off, misnamed or unsigned
};

// Reads the fixed file version out of the PE image in bytes[0, size), without trusting
// any offset, count or length in it: each is checked against the bytes there are, the
// resource tree is walked to a fixed depth (so a tree that points back at itself ends),
// and nothing is allocated. The version is the first language of the first version
// resource, as the Windows loader picks it for a neutral request.
PeVersionError ParsePeFileVersion(const std::uint8_t* bytes, std::size_t size,
                                  FileVersion* version);

}  // namespace tarvenne::platform
