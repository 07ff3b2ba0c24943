// Placeholder until the installation lookup lands: no Palm Desktop user folders.
#include "palminstall/palm_desktop_locator.h"

namespace tarvenne {

bool UserFolderPath(std::int32_t, std::string* out, std::size_t) {
    if (out) out->clear();
    return false;
}

std::uint32_t GetDesktopVersion() { return kNoDesktopVersion; }

}  // namespace tarvenne
