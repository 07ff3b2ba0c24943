// Fuzz target for the version reader of PE files: any bytes are either refused with all
// version parts 0 or give a version, and never make it read outside them.
#include "platform/file_version.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so that a read one byte past the input is caught.
    std::vector<std::uint8_t> bytes(data, data + size);
    tarvenne::platform::FileVersion version;
    version.major = 1;
    const auto error = tarvenne::platform::ParsePeFileVersion(bytes.empty() ? nullptr : bytes.data(),
                                                              bytes.size(), &version);
    if (error != tarvenne::platform::PeVersionError::None &&
        (version.major | version.minor | version.build | version.private_part) != 0)
        std::abort();
    return 0;
}
