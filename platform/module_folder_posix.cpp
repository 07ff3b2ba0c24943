// The executable's folder on Linux, from /proc/self/exe.
#include "platform/module_folder.h"

#include <climits>
#include <unistd.h>

namespace tarvenne::platform {

std::string ModuleFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return std::string();
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace tarvenne::platform
