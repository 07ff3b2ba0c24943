// The Palm Desktop libraries exist only on Windows: on Linux nothing can be loaded.
#include "platform/dynamic_library.h"

namespace tarvenne::platform {

bool DynamicLibrary::Load(const std::string&) {
    Free();
    return false;
}

void DynamicLibrary::Free() { handle_ = nullptr; }

EntryPoint DynamicLibrary::Find(const char*) const { return nullptr; }

}  // namespace tarvenne::platform
