// A library loaded at run time and its exported entry points looked up by name. Linux has
// no Palm Desktop libraries: there every load reports "not available".
#pragma once

#include <string>

namespace tarvenne::platform {

// An exported entry point as the loader hands it out; callers cast it to the entry
// point's own type before calling it.
using EntryPoint = void (*)();

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Frees any library held, then loads path (LoadLibraryA); false when it cannot be
    // loaded or the platform has no such libraries.
    bool Load(const std::string& path);
    void Free();
    bool IsLoaded() const { return handle_ != nullptr; }

    // The entry point exported under name, or nullptr when there is none (or nothing is
    // loaded).
    EntryPoint Find(const char* name) const;

private:
    void* handle_ = nullptr;  // HMODULE, owned: freed by Free and the destructor
};

}  // namespace tarvenne::platform
