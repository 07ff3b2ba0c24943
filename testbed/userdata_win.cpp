// Stand-in UserData.dll: answers the five user calls from users.ini beside the library
// and exports the rest of the table as calls that do nothing. Built a second time with
// TESTBED_PARTIAL_USERDATA, lacking UmGetUserDirectory and two entry points never called.
//
// users.ini:  [Root] Folder=C:\Palm\   (empty or missing: the library's own folder)
//             [Users] Count=2
//             [User0] ID=1001  Name=Ann Adams  Directory=AdamsA   ([User1] ...)
// Sizes are buffer capacities in bytes; a text that does not fit (terminator included)
// makes the call return 0 with the needed size in *size; on success *size is unchanged.
#include "testbed/stub_export.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

HINSTANCE g_module = nullptr;  // this library's own module, not owned

std::string OwnFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
    std::string folder(path, n < MAX_PATH ? n : 0);
    const std::size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::string Setting(const char* section, const char* key) {
    char value[512] = {};
    GetPrivateProfileStringA(section, key, "", value, sizeof value,
                             (OwnFolder() + "users.ini").c_str());
    return value;
}

int UserCount() {
    return static_cast<int>(GetPrivateProfileIntA("Users", "Count", 0,
                                                  (OwnFolder() + "users.ini").c_str()));
}

std::string UserSection(int index) { return "User" + std::to_string(index); }

// The section of the user with that id, or an empty text.
std::string SectionOfId(std::uint32_t id) {
    const int count = UserCount();
    for (int i = 0; i < count; ++i) {
        const std::string section = UserSection(i);
        if (std::strtoul(Setting(section.c_str(), "ID").c_str(), nullptr, 10) == id) return section;
    }
    return std::string();
}

std::int32_t Answer(const std::string& text, char* buffer, std::int16_t* size) {
    if (!buffer || !size) return 0;
    if (*size <= 0 || text.size() + 1 > static_cast<std::size_t>(*size)) {
        *size = static_cast<std::int16_t>(text.size() + 1);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

TESTBED_EXPORT std::int32_t UmGetRootDirectory(char* buffer, std::int16_t* size) {
    std::string root = Setting("Root", "Folder");
    if (root.empty()) root = OwnFolder();
    if (!root.empty() && root.back() != '\\') root += '\\';
    return Answer(root, buffer, size);
}

#ifndef TESTBED_PARTIAL_USERDATA
TESTBED_EXPORT std::int32_t UmGetUserDirectory(std::uint32_t id, char* buffer, std::int16_t* size) {
    const std::string section = SectionOfId(id);
    if (section.empty()) return 0;
    return Answer(Setting(section.c_str(), "Directory"), buffer, size);
}
#endif

TESTBED_EXPORT std::int16_t UmGetUserCount() { return static_cast<std::int16_t>(UserCount()); }

TESTBED_EXPORT std::int32_t UmGetUserID(std::int16_t index, std::uint32_t* id) {
    if (!id || index < 0 || index >= UserCount()) return 0;
    *id = std::strtoul(Setting(UserSection(index).c_str(), "ID").c_str(), nullptr, 10);
    return 1;
}

TESTBED_EXPORT std::int32_t UmGetUserName(std::uint32_t id, char* buffer, std::int16_t* size) {
    const std::string section = SectionOfId(id);
    if (section.empty()) return 0;
    return Answer(Setting(section.c_str(), "Name"), buffer, size);
}

#ifndef TESTBED_PARTIAL_USERDATA
TESTBED_STUB(UmGetLibVersion)
TESTBED_STUB(UmSlotGetInstallDirectory)
#endif
TESTBED_STUB(UmGetUserPassword)
TESTBED_STUB(UmIsUserInstalled)
TESTBED_STUB(UmIsUserProfile)
TESTBED_STUB(UmSetUserName)
TESTBED_STUB(UmSetUserDirectory)
TESTBED_STUB(UmSetUserInstall)
TESTBED_STUB(UmSetUserPermSyncPreferences)
TESTBED_STUB(UmSetUserTempSyncPreferences)
TESTBED_STUB(UmGetUserPermSyncPreferences)
TESTBED_STUB(UmGetUserTempSyncPreferences)
TESTBED_STUB(UmRemoveUserTempSyncPreferences)
TESTBED_STUB(UmDeleteUserPermSyncPreferences)
TESTBED_STUB(UmDeleteUserTempSyncPreferences)
TESTBED_STUB(UmAddUser)
TESTBED_STUB(UmDeleteUser)
TESTBED_STUB(UmIsInstallMaskSet)
TESTBED_STUB(UmClearInstallMask)
TESTBED_STUB(UmSetInstallMask)
TESTBED_STUB(UmGetString)
TESTBED_STUB(UmSetString)
TESTBED_STUB(UmGetInteger)
TESTBED_STUB(UmSetInteger)
TESTBED_STUB(UmDeleteKey)
TESTBED_STUB(UmGetIDFromPath)
TESTBED_STUB(UmGetIDFromName)
TESTBED_STUB(UmSlotGetExpMgrVersion)
TESTBED_STUB(UmSlotGetSlotCount)
TESTBED_STUB(UmSlotGetInfo)
TESTBED_STUB(UmSlotGetMediaType)
TESTBED_STUB(UmSlotGetDisplayName)
