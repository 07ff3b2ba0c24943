// Where Palm Desktop is installed, which version it is, where each of its users keeps
// their data and which users there are.
#pragma once

#include "engine/contact_list.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvenne {

// Palm Desktop 4.1.2: from this version on the newer file layout is written.
constexpr std::uint32_t DesktopVersionThreshold = 40102;
constexpr std::uint32_t kNoDesktopVersion = 0xFFFFFFFFu;

// Results of FindDesktopFolder.
constexpr std::int32_t kDesktopFolderFound = 0;
constexpr std::int32_t kDesktopFolderNoOutput = -100;
constexpr std::int32_t kDesktopFolderAbsent = -101;
constexpr std::int32_t kDesktopFolderTooLong = -102;

// The Palm Desktop folder, exactly as configured: the PDPath key of the settings file's
// [Path] section when it is not empty (the registry is then not consulted), otherwise
// the DesktopPath value of HKCU\Software\U.S. Robotics\Pilot Desktop\Core. capacity is
// the size of the caller's field in bytes, so the folder may have capacity - 1
// characters. 0 found; -100 no output or capacity 0; -101 neither source names a folder;
// -102 the folder does not fit.
std::int32_t FindDesktopFolder(std::string* out, std::size_t capacity);

// folder, a separator and file; the separator is not doubled when folder already ends in
// one.
std::string DesktopFilePath(const std::string& folder, const char* file);

// The file version of an executable; all four parts 0 and false when the path is empty
// or the file has no readable version record.
bool ReadFileVersion(const std::string& path, std::uint32_t* major, std::uint32_t* minor,
                     std::uint32_t* build, std::uint32_t* private_part);

// major x 10000 + minor x 100 + build, the way the installed version is compared.
std::uint32_t DesktopVersionNumber(std::uint32_t major, std::uint32_t minor, std::uint32_t build);

// The version number of the installed palm.exe; kNoDesktopVersion when there is no
// installation or no readable version.
std::uint32_t GetDesktopVersion();

// Palm Desktop's program, in its folder.
constexpr char kPalmDesktopProgram[] = "palm.exe";

// Whether Palm Desktop (palm.exe) runs in the user's session. It keeps its own copy of
// the contacts while it runs and writes that back when it closes, which would undo a
// conversion made meanwhile: a conversion that will write is refused while it runs.
// HotSync Manager is not looked for (it stays in the tray all day); a synchronisation that
// writes the file meanwhile is caught by the save, which writes only over the bytes it
// loaded. Always false outside Windows.
bool PalmDesktopIsRunning();

// What the user is told when a conversion is refused because Palm Desktop runs.
constexpr char kPalmDesktopRunningMessage[] =
    "Palm Desktop is running. Close it before converting: it keeps its own copy of your contacts and writes it "
    "back when it closes, which would undo this conversion.";

// The user's data folder, ending in a separator; false when Palm Desktop's user library
// cannot tell the root folder or the result does not fit capacity - 1 characters.
bool UserFolderPath(std::int32_t user_id, std::string* out, std::size_t capacity);

// One Palm Desktop user as the options page lists it.
struct PalmUserEntry {
    static constexpr std::size_t kNameCapacity = 64;        // 63 characters
    static constexpr std::size_t kDirectoryCapacity = 256;  // 255 characters

    std::int32_t user_id = 0;
    std::string name;
    std::string directory;  // the user's folder name under the root, as the library tells it
};

// The drop-down list the users are shown in: reset, add an item with its data, select.
class UserListControl {
public:
    virtual ~UserListControl() = default;
    virtual void Reset() = 0;
    // Appends an item at the next position.
    virtual void AddItem(const std::string& text, std::int32_t data) = 0;
    virtual void Select(std::int32_t position) = 0;
};

// Refills users (freeing its old entries) from Palm Desktop's user library, then the
// control, and selects the last user whose id is selected_user_id, or the first item
// when none is. With the library not loaded, or a count of 0 or below, both end up empty.
// False only without a list. control may be null.
bool ListUsers(ContactList<PalmUserEntry>* users, UserListControl* control,
               std::int32_t selected_user_id);

}  // namespace tarvenne
