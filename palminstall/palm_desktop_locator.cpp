// The Palm Desktop installation as the settings file, the registry, palm.exe's version
// record and the user library describe it.
#include "palminstall/palm_desktop_locator.h"

#include "palminstall/palm_desktop_libraries.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "platform/module_folder.h"
#include "platform/private_profile.h"
#include "platform/registry.h"
#include "platform/running_programs.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace tarvenne {
namespace {

const char kCoreKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
const char kDesktopPathValue[] = "DesktopPath";
constexpr std::size_t kPathCapacity = 260;
// The user library takes its buffer sizes as signed 16-bit numbers.
constexpr std::size_t kLargestLibraryBuffer = 0x7FFF;

bool IsSeparator(char c) { return c == platform::kPathSeparator || c == '\\' || c == '/'; }

// The text a library left in buffer, never reading past capacity - 1 characters even if
// the library did not end it.
std::string TextIn(const std::vector<char>& buffer, std::size_t capacity) {
    const std::size_t limit = std::min(capacity == 0 ? 0 : capacity - 1, buffer.size());
    const auto end = std::find(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(limit), '\0');
    return std::string(buffer.begin(), end);
}

}  // namespace

std::int32_t FindDesktopFolder(std::string* out, std::size_t capacity) {
    if (!out || capacity == 0) return kDesktopFolderNoOutput;
    out->clear();

    // An explicit folder in the settings file wins, even one that does not exist. It is
    // refused rather than cut short when it does not fit: a shortened path would name
    // some other folder.
    const std::string configured =
        platform::ReadIniString("Path", "PDPath", "", platform::SettingsFilePath());
    if (!configured.empty()) {
        if (configured.size() + 1 > capacity) return kDesktopFolderTooLong;
        *out = configured;
        return kDesktopFolderFound;
    }

    std::string folder;
    switch (platform::ReadRegistryString(platform::RegistryRoot::CurrentUser, kCoreKey,
                                         kDesktopPathValue, capacity, &folder)) {
        case platform::RegistryStatus::Ok:
            break;
        case platform::RegistryStatus::TooLong:
            return kDesktopFolderTooLong;
        case platform::RegistryStatus::Absent:
            return kDesktopFolderAbsent;
    }
    // An empty value names no folder; used as one, "\palm.exe" would be looked for in
    // the root of the current drive.
    if (folder.empty()) return kDesktopFolderAbsent;
    *out = folder;
    return kDesktopFolderFound;
}

std::string DesktopFilePath(const std::string& folder, const char* file) {
    std::string path = folder;
    if (path.empty() || !IsSeparator(path.back())) path += platform::kPathSeparator;
    path += file ? file : "";
    return path;
}

bool ReadFileVersion(const std::string& path, std::uint32_t* major, std::uint32_t* minor,
                     std::uint32_t* build, std::uint32_t* private_part) {
    platform::FileVersion version;
    const bool read = platform::ReadFileVersion(path, &version);
    if (major) *major = version.major;
    if (minor) *minor = version.minor;
    if (build) *build = version.build;
    if (private_part) *private_part = version.private_part;
    return read;
}

std::uint32_t DesktopVersionNumber(std::uint32_t major, std::uint32_t minor, std::uint32_t build) {
    return major * 10000u + minor * 100u + build;
}

std::uint32_t GetDesktopVersion() {
    std::string folder;
    if (FindDesktopFolder(&folder, kPathCapacity) != kDesktopFolderFound) return kNoDesktopVersion;
    std::uint32_t major = 0, minor = 0, build = 0, private_part = 0;
    if (!ReadFileVersion(DesktopFilePath(folder, kPalmDesktopProgram), &major, &minor, &build, &private_part))
        return kNoDesktopVersion;
    return DesktopVersionNumber(major, minor, build);
}

bool PalmDesktopIsRunning() { return platform::ProgramRunsInThisSession(kPalmDesktopProgram); }

bool UserFolderPath(std::int32_t user_id, std::string* out, std::size_t capacity) {
    if (!out) return false;
    out->clear();
    if (capacity == 0) return false;
    const UserDataEntryPoints calls = BoundUserDataEntryPoints();

    // One size variable serves both calls, starting at the capacity. Whatever the first
    // call leaves in it, the second is never told of more room than its buffer has.
    const std::size_t room = std::min(capacity, kLargestLibraryBuffer);
    std::vector<char> root(room + 1, '\0');
    std::vector<char> directory(room + 1, '\0');
    std::int16_t size = static_cast<std::int16_t>(room);
    // Without the root there is no user folder: the directory alone would be a path
    // relative to wherever the program happens to run.
    if (!calls.UmGetRootDirectory || calls.UmGetRootDirectory(root.data(), &size) == 0) return false;
    if (calls.UmGetUserDirectory) {
        if (size < 0) size = 0;
        if (static_cast<std::size_t>(size) > room) size = static_cast<std::int16_t>(room);
        calls.UmGetUserDirectory(static_cast<std::uint32_t>(user_id), directory.data(), &size);
    }

    std::string path = TextIn(root, room + 1) + TextIn(directory, room + 1);
    path += platform::kPathSeparator;
    if (path.size() + 1 > capacity) return false;
    *out = path;
    return true;
}

bool ListUsers(ContactList<PalmUserEntry>* users, UserListControl* control,
               std::int32_t selected_user_id) {
    if (!users) return false;
    users->Clear(true);
    const UserDataEntryPoints calls = BoundUserDataEntryPoints();

    const std::int32_t count = calls.UmGetUserCount ? calls.UmGetUserCount() : -100;
    for (std::int32_t index = 0; index < count; ++index) {
        auto entry = std::make_unique<PalmUserEntry>();
        std::uint32_t id = 0;
        if (calls.UmGetUserID) calls.UmGetUserID(static_cast<std::int16_t>(index), &id);
        entry->user_id = static_cast<std::int32_t>(id);
        if (calls.UmGetUserName) {
            std::vector<char> name(PalmUserEntry::kNameCapacity + 1, '\0');
            std::int16_t size = PalmUserEntry::kNameCapacity;
            calls.UmGetUserName(id, name.data(), &size);
            entry->name = TextIn(name, PalmUserEntry::kNameCapacity);
        }
        if (calls.UmGetUserDirectory) {
            std::vector<char> directory(PalmUserEntry::kDirectoryCapacity + 1, '\0');
            std::int16_t size = PalmUserEntry::kDirectoryCapacity;
            calls.UmGetUserDirectory(id, directory.data(), &size);
            entry->directory = TextIn(directory, PalmUserEntry::kDirectoryCapacity);
        }
        users->Append(entry.release());
    }

    if (!control) return true;
    control->Reset();
    std::int32_t selected = 0;
    for (std::uint32_t position = 0; position < users->Count(); ++position) {
        const PalmUserEntry* entry = users->At(position);
        control->AddItem(entry->name, entry->user_id);
        if (entry->user_id == selected_user_id) selected = static_cast<std::int32_t>(position);
    }
    control->Select(selected);
    return true;
}

}  // namespace tarvenne
