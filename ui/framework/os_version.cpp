// The cached Windows family.
#include "ui/framework/os_version.h"

#include <windows.h>

namespace tarvenne {
namespace {
int g_os_version_class = -1;  // -1 until a query succeeds with a known family
}

int ClassifyOsVersion(std::uint32_t platform_id, std::uint32_t major, std::uint32_t minor) {
    if (platform_id == VER_PLATFORM_WIN32_WINDOWS) {
        switch (minor) {
        case 0: return 0;
        case 10: return 1;
        case 90: return 2;
        default: return -1;
        }
    }
    if (platform_id == VER_PLATFORM_WIN32_NT) {
        if (major == 3) return -1;
        if (major == 4) return 3;
        if (major == 5) return minor == 0 ? 4 : minor == 1 ? 5 : 6;
        return 6;
    }
    return -1;
}

int OsVersionClass() {
    if (g_os_version_class != -1) return g_os_version_class;
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (!ok) return -1;
    g_os_version_class = ClassifyOsVersion(info.dwPlatformId, info.dwMajorVersion,
                                           info.dwMinorVersion);
    return g_os_version_class;
}

}  // namespace tarvenne
