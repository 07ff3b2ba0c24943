// Linux reads the version record straight out of the PE file.
#include "platform/file_version.h"

#include <fstream>
#include <vector>

namespace tarvenne::platform {
namespace {
// Far more than any Palm Desktop executable; a larger file is not read into memory.
constexpr std::streamoff kLargestImage = 256ll * 1024 * 1024;
}  // namespace

bool ReadFileVersion(const std::string& path, FileVersion* version) {
    if (!version) return false;
    *version = FileVersion();
    if (path.empty()) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size <= 0 || size > kLargestImage) return false;
    file.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) return false;
    return ParsePeFileVersion(bytes.data(), bytes.size(), version) == PeVersionError::None;
}

}  // namespace tarvenne::platform
