// The tables of entry points of the four Palm Desktop libraries and their binding.
#include "palminstall/palm_desktop_libraries.h"

#include "palminstall/palm_desktop_locator.h"
#include "platform/dynamic_library.h"

#include <cstring>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

const char* const kCondMgrNames[] = {
    "CmGetLibVersion", "CmConvertCreatorIDToString", "CmConvertStringToCreatorID",
    "CmGetConduitCount", "CmGetCreatorIDList", "CmGetConduitCreatorID", "CmGetConduitByCreator",
    "CmInstallConduit", "CmInstallCreator", "CmRemoveConduitByCreatorID", "CmSetCreatorPriority",
    "CmGetCreatorPriority", "CmSetCreatorName", "CmGetCreatorName", "CmSetCreatorDirectory",
    "CmGetCreatorDirectory", "CmSetCreatorRemote", "CmGetCreatorRemote", "CmSetCreatorUser",
    "CmGetCreatorUser", "CmSetCreatorTitle", "CmGetCreatorTitle", "CmSetCreatorInfo",
    "CmGetCreatorInfo", "CmSetCreatorFile", "CmGetCreatorFile", "CmGetCreatorType",
    "CmSetCreatorIntegrate", "CmGetCreatorIntegrate", "CmSetCreatorModule", "CmGetCreatorModule",
    "CmSetCreatorArgument", "CmGetCreatorArgument", "CmSetComPort", "CmGetComPort",
    "CmSetBackupConduit", "CmGetBackupConduit", "CmSetNotifierDll", "CmGetNotifierDll",
    "CmSetPCIdentifier", "CmGetPCIdentifier", "CmGetCorePath", "CmSetCorePath",
    "CmGetHotSyncExecPath", "CmSetHotSyncExecPath", "CmSetCreatorValueDword",
    "CmGetCreatorValueDword", "CmSetCreatorValueString", "CmGetCreatorValueString",
    "CmRestoreHotSyncSettings",
};

const char* const kUserDataNames[] = {
    "UmGetLibVersion", "UmGetUserCount", "UmGetUserID", "UmGetUserName", "UmGetUserDirectory",
    "UmGetUserPassword", "UmIsUserInstalled", "UmIsUserProfile", "UmSetUserName",
    "UmSetUserDirectory", "UmSetUserInstall", "UmSetUserPermSyncPreferences",
    "UmSetUserTempSyncPreferences", "UmGetUserPermSyncPreferences",
    "UmGetUserTempSyncPreferences", "UmRemoveUserTempSyncPreferences",
    "UmDeleteUserPermSyncPreferences", "UmDeleteUserTempSyncPreferences", "UmAddUser",
    "UmDeleteUser", "UmGetRootDirectory", "UmIsInstallMaskSet", "UmClearInstallMask",
    "UmSetInstallMask", "UmGetString", "UmSetString", "UmGetInteger", "UmSetInteger",
    "UmDeleteKey", "UmGetIDFromPath", "UmGetIDFromName", "UmSlotGetExpMgrVersion",
    "UmSlotGetSlotCount", "UmSlotGetInfo", "UmSlotGetMediaType", "UmSlotGetDisplayName",
    "UmSlotGetInstallDirectory",
};

const char* const kHsApiNames[] = {
    "HsGetApiVersion", "HsGetSyncStatus", "HsCheckApiStatus", "HsDisplayCustomDlg",
    "HsDisplayLog", "HsDisplayFileLink", "HsResetComm", "HsSetCommStatus", "HsGetCommStatus",
    "HsSetAppStatus", "HsRefreshConduitInfo",
};

// "PlmGetLibVesion" is the name as the library exports it.
const char* const kInstAideNames[] = {
    "PlmGetLibVesion", "PltGetUserCount", "PltGetUser", "PltInstallFile", "PltGetFileCount",
    "PltGetFileName", "PltGetFileInfo", "PltRemoveInstallFile", "PltGetPath", "PltSetPath",
    "PltGetInstallFileFilter", "PltGetFileTypesCount", "PltGetFileTypeExtension",
    "PltGetInstallConduitCount", "PltGetInstallConduitInfo", "PltIsInstallMaskSet",
    "PltResetInstallMask", "PltGetInstallCreatorInfo", "PltSetInstallRegistry",
    "PltGetRegistryPath", "PltGetUserDirectory", "PltIsUserProfile", "PlmGetUserNameFromID",
    "PlmGetUserIDFromName", "PltInstallFileToDest", "PltGetInstallFileFilterForUser",
    "PlmSlotGetFileCount", "PlmSlotGetFileInfo", "PlmSlotInstallFile", "PlmSlotRemoveInstallFile",
    "PlmSlotMoveInstallFile", "PlmMoveInstallFileToSlot", "PlmMoveInstallFileToHandheld",
};

template <std::size_t N>
constexpr std::size_t CountOf(const char* const (&)[N]) {
    return N;
}
static_assert(CountOf(kCondMgrNames) == 50, "condmgr.dll table");
static_assert(CountOf(kUserDataNames) == 37, "UserData.dll table");
static_assert(CountOf(kHsApiNames) == 11, "HSAPI.DLL table");
static_assert(CountOf(kInstAideNames) == 33, "instaide.dll table");

struct BoundLibrary {
    std::uint32_t bit;
    const char* file_name;
    const char* const* names;  // static table, not owned
    std::size_t name_count;
    platform::DynamicLibrary library;
    std::vector<platform::EntryPoint> slots;  // parallel to names; null when unbound

    void Unload() {
        library.Free();
        slots.assign(name_count, nullptr);
    }

    std::size_t SlotOf(const char* name) const {
        for (std::size_t i = 0; i < name_count; ++i)
            if (std::strcmp(names[i], name) == 0) return i;
        return name_count;
    }
};

std::vector<BoundLibrary>& Libraries() {
    static std::vector<BoundLibrary> libraries = [] {
        std::vector<BoundLibrary> list;
        list.push_back({kCondMgrLibrary, "condmgr.dll", kCondMgrNames, CountOf(kCondMgrNames), {}, {}});
        list.push_back({kUserDataLibrary, "UserData.dll", kUserDataNames, CountOf(kUserDataNames), {}, {}});
        list.push_back({kHsApiLibrary, "HSAPI.DLL", kHsApiNames, CountOf(kHsApiNames), {}, {}});
        list.push_back({kInstAideLibrary, "instaide.dll", kInstAideNames, CountOf(kInstAideNames), {}, {}});
        for (BoundLibrary& library : list) library.slots.assign(library.name_count, nullptr);
        return list;
    }();
    return libraries;
}

BoundLibrary* LibraryFor(std::uint32_t bit) {
    for (BoundLibrary& library : Libraries())
        if (library.bit == bit) return &library;
    return nullptr;
}

bool LoadOne(BoundLibrary& target) {
    target.Unload();
    std::string folder;
    if (FindDesktopFolder(&folder, 260) != 0) return false;
    if (!target.library.Load(DesktopFilePath(folder, target.file_name))) return false;
    for (std::size_t i = 0; i < target.name_count; ++i)
        target.slots[i] = target.library.Find(target.names[i]);
    return true;
}

template <typename Fn>
Fn UserDataCall(const char* name) {
    BoundLibrary& user_data = *LibraryFor(kUserDataLibrary);
    return reinterpret_cast<Fn>(user_data.slots[user_data.SlotOf(name)]);
}

template <typename Fn>
void SetUserDataCall(const char* name, Fn call) {
    BoundLibrary& user_data = *LibraryFor(kUserDataLibrary);
    user_data.slots[user_data.SlotOf(name)] = reinterpret_cast<platform::EntryPoint>(call);
}

}  // namespace

bool LoadLibraries(std::uint32_t mask) {
    for (BoundLibrary& library : Libraries()) {
        if ((mask & library.bit) && !LoadOne(library)) return false;
    }
    return true;
}

void UnloadLibraries(std::uint32_t mask) {
    for (BoundLibrary& library : Libraries()) {
        if (mask & library.bit) library.Unload();
    }
}

UserDataEntryPoints BoundUserDataEntryPoints() {
    UserDataEntryPoints calls;
    calls.UmGetRootDirectory = UserDataCall<UmGetRootDirectoryFn>("UmGetRootDirectory");
    calls.UmGetUserDirectory = UserDataCall<UmGetUserDirectoryFn>("UmGetUserDirectory");
    calls.UmGetUserCount = UserDataCall<UmGetUserCountFn>("UmGetUserCount");
    calls.UmGetUserID = UserDataCall<UmGetUserIDFn>("UmGetUserID");
    calls.UmGetUserName = UserDataCall<UmGetUserNameFn>("UmGetUserName");
    return calls;
}

void SetUserDataEntryPointsForTesting(const UserDataEntryPoints& calls) {
    UnloadLibraries(kUserDataLibrary);
    SetUserDataCall("UmGetRootDirectory", calls.UmGetRootDirectory);
    SetUserDataCall("UmGetUserDirectory", calls.UmGetUserDirectory);
    SetUserDataCall("UmGetUserCount", calls.UmGetUserCount);
    SetUserDataCall("UmGetUserID", calls.UmGetUserID);
    SetUserDataCall("UmGetUserName", calls.UmGetUserName);
}

bool IsPalmLibraryLoaded(std::uint32_t library) {
    const BoundLibrary* found = LibraryFor(library);
    return found && found->library.IsLoaded();
}

std::size_t EntryPointTableSize(std::uint32_t library) {
    const BoundLibrary* found = LibraryFor(library);
    return found ? found->name_count : 0;
}

std::size_t BoundEntryPointCount(std::uint32_t library) {
    const BoundLibrary* found = LibraryFor(library);
    if (!found) return 0;
    std::size_t bound = 0;
    for (platform::EntryPoint slot : found->slots) bound += slot != nullptr;
    return bound;
}

bool IsEntryPointBound(std::uint32_t library, const char* name) {
    const BoundLibrary* found = LibraryFor(library);
    if (!found || !name) return false;
    const std::size_t slot = found->SlotOf(name);
    return slot < found->name_count && found->slots[slot] != nullptr;
}

}  // namespace tarvenne
