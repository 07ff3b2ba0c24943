// The ownership moves of DynamicLibrary, shared by both platforms.
#include "platform/dynamic_library.h"

#include <utility>

namespace tarvenne::platform {

DynamicLibrary::~DynamicLibrary() { Free(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        Free();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

}  // namespace tarvenne::platform
