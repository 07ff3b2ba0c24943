// The executable's folder on Windows, from GetModuleFileNameA.
#include "platform/module_folder.h"

#include <windows.h>

namespace tarvenne::platform {

std::string ModuleFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::string path(buffer, n);
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace tarvenne::platform
