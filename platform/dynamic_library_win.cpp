// Run-time loading through LoadLibraryA, GetProcAddress and FreeLibrary.
#include "platform/dynamic_library.h"

#include <windows.h>

namespace tarvenne::platform {

bool DynamicLibrary::Load(const std::string& path) {
    Free();
    if (path.empty()) return false;
    // A missing library must come back as a failure, not as a system message box.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    handle_ = LoadLibraryA(path.c_str());
    SetErrorMode(previous);
    return handle_ != nullptr;
}

void DynamicLibrary::Free() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

EntryPoint DynamicLibrary::Find(const char* name) const {
    if (!handle_ || !name) return nullptr;
    return reinterpret_cast<EntryPoint>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace tarvenne::platform
