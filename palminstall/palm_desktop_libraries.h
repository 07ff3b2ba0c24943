// The four libraries of the installed Palm Desktop, loaded from its folder, and their
// entry points bound by exported name. Only five entry points of UserData.dll are called.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvenne {

// Library bits of the load and unload masks, handled in this order.
enum PalmDesktopLibrary : std::uint32_t {
    kCondMgrLibrary = 1,   // condmgr.dll
    kUserDataLibrary = 2,  // UserData.dll
    kHsApiLibrary = 4,     // HSAPI.DLL
    kInstAideLibrary = 8,  // instaide.dll
    kAllPalmLibraries = 15,
};

// Loads the chosen libraries from the Palm Desktop folder in bit order, each unloaded
// first; false at the first library that cannot be loaded (or when there is no folder),
// and the libraries after it are not attempted. An entry point a library does not export
// stays unbound; that is no failure.
bool LoadLibraries(std::uint32_t mask);

// Frees each chosen library and unbinds all of its entry points.
void UnloadLibraries(std::uint32_t mask);

// The five UserData.dll calls, plain C functions. A size is the buffer's capacity in
// bytes, terminating NUL included; the library may change it.
//
// UmGetRootDirectory(buffer, size): the folder the user folders lie in, ending so that a
//   user's folder name can be appended directly; non-zero on success.
// UmGetUserDirectory(user id, buffer, size): the user's folder name under the root.
// UmGetUserCount(): the number of users (read as a signed 16-bit value).
// UmGetUserID(index from 0, id out): the id of the user at that index.
// UmGetUserName(user id, buffer, size): the user's display name.
using UmGetRootDirectoryFn = std::int32_t (*)(char* buffer, std::int16_t* size);
using UmGetUserDirectoryFn = std::int32_t (*)(std::uint32_t user_id, char* buffer,
                                              std::int16_t* size);
using UmGetUserCountFn = std::int16_t (*)();
using UmGetUserIDFn = std::int32_t (*)(std::int16_t index, std::uint32_t* user_id);
using UmGetUserNameFn = std::int32_t (*)(std::uint32_t user_id, char* buffer,
                                         std::int16_t* size);

// The five calls as currently bound; a member is null when its entry point is not.
struct UserDataEntryPoints {
    UmGetRootDirectoryFn UmGetRootDirectory = nullptr;
    UmGetUserDirectoryFn UmGetUserDirectory = nullptr;
    UmGetUserCountFn UmGetUserCount = nullptr;
    UmGetUserIDFn UmGetUserID = nullptr;
    UmGetUserNameFn UmGetUserName = nullptr;
};
UserDataEntryPoints BoundUserDataEntryPoints();

// Binds the five calls to functions of the test's own, with no library loaded (Linux has
// no Palm Desktop libraries); UnloadLibraries(kUserDataLibrary) unbinds them again.
void SetUserDataEntryPointsForTesting(const UserDataEntryPoints& calls);

// For diagnostics and tests: whether a library (one mask bit) is loaded, how many names
// its table holds, and whether the entry point of that name is bound.
bool IsPalmLibraryLoaded(std::uint32_t library);
std::size_t EntryPointTableSize(std::uint32_t library);
std::size_t BoundEntryPointCount(std::uint32_t library);
bool IsEntryPointBound(std::uint32_t library, const char* name);

}  // namespace tarvenne
