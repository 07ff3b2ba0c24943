// Stand-in UserData.dll: the five user calls, answered from users.ini beside the library.
// Which of them the library exports is up to the export table CMakeLists.txt gives it.
//
// users.ini:  [Root] Folder=C:\Palm\   (empty or missing: the library's own folder)
//             [Users] Count=2
//             [User0] ID=1001  Name=Ann Adams  Directory=AdamsA   ([User1] ...)
// Sizes are buffer capacities in bytes; a text that does not fit (terminator included)
// makes the call return 0 with the needed size in *size; on success *size is unchanged.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HINSTANCE g_module = nullptr;  // this library's own module, not owned

std::string OwnFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
    const std::string file(path, n < MAX_PATH ? n : 0);
    return file.substr(0, file.find_last_of("\\/") + 1);
}

std::string Setting(const std::string& section, const char* key) {
    char value[512] = {};
    GetPrivateProfileStringA(section.c_str(), key, "", value, sizeof value, (OwnFolder() + "users.ini").c_str());
    return value;
}

int UserCount() { return std::atoi(Setting("Users", "Count").c_str()); }
std::string UserSetting(int index, const char* key) { return Setting("User" + std::to_string(index), key); }
std::uint32_t UserId(int index) { return std::strtoul(UserSetting(index, "ID").c_str(), nullptr, 10); }

std::int32_t Answer(const std::string& text, char* buffer, std::int16_t* size) {
    if (!buffer || !size) return 0;
    if (*size <= 0 || text.size() + 1 > static_cast<std::size_t>(*size)) {
        *size = static_cast<std::int16_t>(text.size() + 1);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

// The key of the user with that id; 0 for an unknown user.
std::int32_t AnswerFor(std::uint32_t id, const char* key, char* buffer, std::int16_t* size) {
    for (int i = 0; i < UserCount(); ++i)
        if (UserId(i) == id) return Answer(UserSetting(i, key), buffer, size);
    return 0;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" std::int32_t UmGetRootDirectory(char* buffer, std::int16_t* size) {
    std::string root = Setting("Root", "Folder");
    if (root.empty()) root = OwnFolder();
    if (!root.empty() && root.back() != '\\') root += '\\';
    return Answer(root, buffer, size);
}

extern "C" std::int32_t UmGetUserDirectory(std::uint32_t id, char* buffer, std::int16_t* size) {
    return AnswerFor(id, "Directory", buffer, size);
}

extern "C" std::int32_t UmGetUserName(std::uint32_t id, char* buffer, std::int16_t* size) {
    return AnswerFor(id, "Name", buffer, size);
}

extern "C" std::int16_t UmGetUserCount() { return static_cast<std::int16_t>(UserCount()); }

extern "C" std::int32_t UmGetUserID(std::int16_t index, std::uint32_t* id) {
    if (!id || index < 0 || index >= UserCount()) return 0;
    *id = UserId(index);
    return 1;
}
