// Finding Palm Desktop (settings file, then registry), its version, its users and their
// folders, with the stand-in registry and user-library calls of the test's own.
#include "palminstall/palm_desktop_libraries.h"
#include "palminstall/palm_desktop_locator.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "platform/private_profile.h"
#include "platform/registry.h"
#include "tests/palminstall/pe_image_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace tarvenne {
namespace {

using platform::RegistryRoot;
using tarvenne::testing::BuildPeImage;
using tarvenne::testing::TestFolder;

const char kCore[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
constexpr char kSep = platform::kPathSeparator;

class Installation : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetSettingsFileForTesting(dir_.File("tarvenne.ini"));
        platform::ClearRegistryForTesting();
        UnloadLibraries(kAllPalmLibraries);
    }
    void TearDown() override {
        platform::SetSettingsFileForTesting("");
        platform::ClearRegistryForTesting();
        UnloadLibraries(kAllPalmLibraries);
    }
    void SetIniFolder(const std::string& folder) {
        ASSERT_TRUE(platform::WriteIniString("Path", "PDPath", folder, dir_.File("tarvenne.ini")));
    }
    void SetRegistryFolder(const std::string& folder) {
        platform::SetRegistryValueForTesting(RegistryRoot::CurrentUser, kCore, "DesktopPath", folder);
    }
    // A Palm Desktop folder with a palm.exe of that version.
    std::string InstallPalm(const std::string& name, std::uint16_t major, std::uint16_t minor,
                            std::uint16_t build, std::uint16_t private_part) {
        const std::string folder = dir_.File(name);
        std::filesystem::create_directories(folder);
        EXPECT_TRUE(platform::WriteFileBytes(
            DesktopFilePath(folder, "palm.exe"), BuildPeImage(major, minor, build, private_part).bytes));
        return folder;
    }

    TestFolder dir_;
};

TEST_F(Installation, SettingsFolderWinsOverTheRegistryWhichIsThenNotRead) {
    std::string folder = "stale";
    EXPECT_EQ(FindDesktopFolder(nullptr, 260), -100);
    EXPECT_EQ(FindDesktopFolder(&folder, 0), -100);
    EXPECT_EQ(folder, "stale");

    EXPECT_EQ(FindDesktopFolder(&folder, 260), -101);  // neither source
    EXPECT_EQ(folder, "");

    SetRegistryFolder("C:\\Program Files\\Palm");
    EXPECT_EQ(FindDesktopFolder(&folder, 260), 0);
    EXPECT_EQ(folder, "C:\\Program Files\\Palm");
    // Other roots and other values do not count.
    platform::ClearRegistryForTesting();
    platform::SetRegistryValueForTesting(RegistryRoot::LocalMachine, kCore, "DesktopPath", "D:\\Palm");
    platform::SetRegistryValueForTesting(RegistryRoot::CurrentUser, kCore, "CorePath", "D:\\Palm");
    EXPECT_EQ(FindDesktopFolder(&folder, 260), -101);

    // A registry value too long for the field would give -102: with the settings folder
    // set, the answer is 0 and that folder, so the registry was not consulted.
    SetRegistryFolder(std::string(400, 'r'));
    EXPECT_EQ(FindDesktopFolder(&folder, 260), -102);
    SetIniFolder("Q:\\No Such Folder\\Palm");
    EXPECT_EQ(FindDesktopFolder(&folder, 260), 0);
    EXPECT_EQ(folder, "Q:\\No Such Folder\\Palm");
}

TEST_F(Installation, FolderLengthsAgainstTheCapacity) {
    std::string folder;
    SetRegistryFolder(std::string(259, 'a'));
    EXPECT_EQ(FindDesktopFolder(&folder, 260), 0);
    EXPECT_EQ(folder.size(), 259u);
    EXPECT_EQ(FindDesktopFolder(&folder, 259), -102);
    EXPECT_EQ(folder, "");
    // An empty registry value names no folder.
    SetRegistryFolder("");
    EXPECT_EQ(FindDesktopFolder(&folder, 260), -101);
    // A settings folder that does not fit is refused, not cut short.
    SetIniFolder(std::string(20, 'b'));
    EXPECT_EQ(FindDesktopFolder(&folder, 21), 0);
    EXPECT_EQ(FindDesktopFolder(&folder, 20), -102);
    EXPECT_EQ(folder, "");
}

TEST_F(Installation, DesktopVersionFromPalmExe) {
    EXPECT_EQ(GetDesktopVersion(), kNoDesktopVersion);  // no folder at all
    // The failure value counts as a newer Palm Desktop.
    EXPECT_GE(GetDesktopVersion(), DesktopVersionThreshold);

    SetIniFolder(dir_.File("empty"));
    EXPECT_EQ(GetDesktopVersion(), kNoDesktopVersion);  // no palm.exe there

    struct Case {
        std::uint16_t major, minor, build, private_part;
        std::uint32_t expected;
        bool newer_layout;
    } cases[] = {
        {4, 1, 2, 0, 40102, true},    {4, 1, 1, 9, 40101, false}, {6, 0, 1, 5, 60001, true},
        {4, 100, 0, 0, 50000, true},  {3, 0, 99, 1, 30099, false}, {65535, 65535, 65535, 65535, 661969035, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string folder = InstallPalm("palm" + std::to_string(n++), c.major, c.minor, c.build, c.private_part);
        SetIniFolder(folder);
        std::uint32_t major = 9, minor = 9, build = 9, private_part = 9;
        ASSERT_TRUE(ReadFileVersion(DesktopFilePath(folder, "palm.exe"), &major, &minor, &build, &private_part));
        EXPECT_EQ(private_part, c.private_part);
        EXPECT_EQ(GetDesktopVersion(), c.expected);
        EXPECT_EQ(GetDesktopVersion() >= DesktopVersionThreshold, c.newer_layout) << c.expected;
    }

    // Through the registry as well, with a folder that ends in a separator.
    platform::WriteIniString("Path", "PDPath", "", dir_.File("tarvenne.ini"));
    SetRegistryFolder(dir_.File("palm1") + kSep);
    EXPECT_EQ(GetDesktopVersion(), 40101u);

    std::uint32_t major = 9, minor = 9, build = 9, private_part = 9;
    EXPECT_FALSE(ReadFileVersion("", &major, &minor, &build, &private_part));
    EXPECT_EQ(major + minor + build + private_part, 0u);
    ASSERT_TRUE(platform::WriteFileBytes(dir_.File("text.exe"), tarvenne::testing::Bytes("MZ not really")));
    EXPECT_FALSE(ReadFileVersion(dir_.File("text.exe"), &major, &minor, &build, &private_part));
}

TEST_F(Installation, NoLibrariesWithoutPalmDesktop) {
    EXPECT_FALSE(LoadLibraries(kAllPalmLibraries));  // no folder
    SetIniFolder(dir_.File(""));
    EXPECT_FALSE(LoadLibraries(kUserDataLibrary));  // Linux has no such libraries
    EXPECT_FALSE(IsPalmLibraryLoaded(kUserDataLibrary));
    EXPECT_EQ(EntryPointTableSize(kCondMgrLibrary), 50u);
    EXPECT_EQ(EntryPointTableSize(kUserDataLibrary), 37u);
    EXPECT_EQ(EntryPointTableSize(kHsApiLibrary), 11u);
    EXPECT_EQ(EntryPointTableSize(kInstAideLibrary), 33u);
    EXPECT_EQ(EntryPointTableSize(3), 0u);
    EXPECT_FALSE(IsEntryPointBound(kUserDataLibrary, "UmGetUserCount"));
    EXPECT_FALSE(IsEntryPointBound(kUserDataLibrary, "NoSuchName"));
}

// A user library of the test's own: three users, the second and third with the same id.
struct FakeUser {
    std::uint32_t id;
    const char* name;
    const char* directory;
};
std::vector<FakeUser> g_users;
std::int16_t g_count = 0;
const char* g_root = "C:\\Palm\\";
std::int32_t g_root_result = 1;
std::int16_t g_root_size_after = -1;  // what the root call leaves in the size, -1: unchanged
std::vector<std::int16_t> g_directory_sizes;  // sizes the directory call was given
bool g_unterminated = false;  // fill the whole buffer with no terminating NUL

std::int32_t Reply(const char* text, char* buffer, std::int16_t* size) {
    if (*size <= 0) return 0;
    if (g_unterminated) {
        std::memset(buffer, 'x', static_cast<std::size_t>(*size));
        return 1;
    }
    if (std::strlen(text) + 1 > static_cast<std::size_t>(*size)) return 0;
    std::strcpy(buffer, text);
    return 1;
}
const FakeUser* UserById(std::uint32_t id) {
    for (const FakeUser& user : g_users)
        if (user.id == id) return &user;
    return nullptr;
}
std::int32_t FakeRoot(char* buffer, std::int16_t* size) {
    if (g_root_result == 0) return 0;
    Reply(g_root, buffer, size);
    if (g_root_size_after >= 0) *size = g_root_size_after;
    return g_root_result;
}
std::int32_t FakeDirectory(std::uint32_t id, char* buffer, std::int16_t* size) {
    g_directory_sizes.push_back(*size);
    const FakeUser* user = UserById(id);
    return user ? Reply(user->directory, buffer, size) : 0;
}
std::int16_t FakeCount() { return g_count; }
std::int32_t FakeId(std::int16_t index, std::uint32_t* id) {
    if (index < 0 || static_cast<std::size_t>(index) >= g_users.size()) return 0;
    *id = g_users[static_cast<std::size_t>(index)].id;
    return 1;
}
std::int32_t FakeName(std::uint32_t id, char* buffer, std::int16_t* size) {
    const FakeUser* user = UserById(id);
    return user ? Reply(user->name, buffer, size) : 0;
}

class FakeLibrary : public Installation {
protected:
    void SetUp() override {
        Installation::SetUp();
        g_users = {{7, "Ann Adams", "AdamsA"}, {12, "Bob Brown", "BrownB"}, {30, "Cy Chen", "ChenC"}};
        g_count = 3;
        g_root = "C:\\Palm\\";
        g_root_result = 1;
        g_root_size_after = -1;
        g_directory_sizes.clear();
        g_unterminated = false;
        UserDataEntryPoints calls;
        calls.UmGetRootDirectory = FakeRoot;
        calls.UmGetUserDirectory = FakeDirectory;
        calls.UmGetUserCount = FakeCount;
        calls.UmGetUserID = FakeId;
        calls.UmGetUserName = FakeName;
        SetUserDataEntryPointsForTesting(calls);
    }
};

// Records what ListUsers does to the drop-down list.
class RecordingControl : public UserListControl {
public:
    void Reset() override {
        items.clear();
        ++resets;
    }
    void AddItem(const std::string& text, std::int32_t data) override { items.push_back({text, data}); }
    void Select(std::int32_t position) override { selected = position; }

    std::vector<std::pair<std::string, std::int32_t>> items{{"left over", 1}};
    int resets = 0;
    std::int32_t selected = -1;
};

TEST_F(FakeLibrary, UserFolderIsRootThenDirectoryThenSeparator) {
    std::string folder;
    ASSERT_TRUE(UserFolderPath(12, &folder, 260));
    EXPECT_EQ(folder, std::string("C:\\Palm\\BrownB") + kSep);
    // Exactly fitting, and one character too long.
    const std::size_t length = folder.size();
    EXPECT_TRUE(UserFolderPath(12, &folder, length + 1));
    EXPECT_FALSE(UserFolderPath(12, &folder, length));
    EXPECT_EQ(folder, "");
    EXPECT_FALSE(UserFolderPath(12, nullptr, 260));
    EXPECT_FALSE(UserFolderPath(12, &folder, 0));

    // An unknown user has no directory; the root alone is what the library tells.
    ASSERT_TRUE(UserFolderPath(99, &folder, 260));
    EXPECT_EQ(folder, std::string("C:\\Palm\\") + kSep);

    g_root_result = 0;
    EXPECT_FALSE(UserFolderPath(12, &folder, 260));

    // Without the directory call the root is used alone; without the root call there is
    // no user folder at all.
    g_root_result = 1;
    UserDataEntryPoints calls = BoundUserDataEntryPoints();
    calls.UmGetUserDirectory = nullptr;
    SetUserDataEntryPointsForTesting(calls);
    ASSERT_TRUE(UserFolderPath(12, &folder, 260));
    EXPECT_EQ(folder, std::string("C:\\Palm\\") + kSep);
    UnloadLibraries(kUserDataLibrary);
    EXPECT_FALSE(UserFolderPath(12, &folder, 260));
}

TEST_F(FakeLibrary, UserFolderNeverTrustsTheLibraryWithMoreRoomThanThereIs) {
    std::string folder;
    g_root_size_after = 30000;  // the root call claims far more room than the buffer has
    ASSERT_TRUE(UserFolderPath(7, &folder, 260));
    EXPECT_EQ(folder, std::string("C:\\Palm\\AdamsA") + kSep);
    ASSERT_EQ(g_directory_sizes.size(), 1u);
    EXPECT_LE(g_directory_sizes[0], 260);

    g_root_size_after = 5;  // the same variable passes on: the directory no longer fits
    ASSERT_TRUE(UserFolderPath(7, &folder, 260));
    EXPECT_EQ(g_directory_sizes.back(), 5);
    EXPECT_EQ(folder, std::string("C:\\Palm\\") + kSep);

    // Buffers the library fills without a terminator are read only up to their size.
    g_root_size_after = -1;
    g_unterminated = true;
    EXPECT_FALSE(UserFolderPath(7, &folder, 260));
    EXPECT_EQ(folder, "");
}

TEST_F(FakeLibrary, ListsUsersAndSelectsTheLastMatchingId) {
    g_users[2].id = 12;  // two users with id 12
    ContactList<PalmUserEntry> users;
    RecordingControl control;
    ASSERT_TRUE(ListUsers(&users, &control, 12));
    ASSERT_EQ(users.Count(), 3u);
    EXPECT_EQ(users.At(0)->user_id, 7);
    EXPECT_EQ(users.At(0)->name, "Ann Adams");
    EXPECT_EQ(users.At(0)->directory, "AdamsA");
    EXPECT_EQ(users.At(2)->name, "Bob Brown");  // names are asked for by id
    ASSERT_EQ(control.items.size(), 3u);
    EXPECT_EQ(control.items[1], std::make_pair(std::string("Bob Brown"), 12));
    EXPECT_EQ(control.selected, 2);
    EXPECT_EQ(control.resets, 1);

    ASSERT_TRUE(ListUsers(&users, &control, 7));
    EXPECT_EQ(users.Count(), 3u);  // refilled, not appended to
    EXPECT_EQ(control.items.size(), 3u);
    EXPECT_EQ(control.selected, 0);

    ASSERT_TRUE(ListUsers(&users, &control, 4444));  // nobody: the first item
    EXPECT_EQ(control.selected, 0);
    ASSERT_TRUE(ListUsers(&users, nullptr, 7));
    EXPECT_EQ(users.Count(), 3u);
    EXPECT_FALSE(ListUsers(nullptr, &control, 7));
    users.Clear(true);
}

TEST_F(FakeLibrary, NoUsersForAnEmptyNegativeOrMissingCount) {
    for (int variant = 0; variant < 4; ++variant) {
        if (variant == 0) g_count = 0;
        if (variant == 1) g_count = -1;
        if (variant == 2) g_count = static_cast<std::int16_t>(0x8000);  // 32768 read signed
        if (variant == 3) UnloadLibraries(kUserDataLibrary);
        ContactList<PalmUserEntry> users;
        users.Append(new PalmUserEntry());  // an old entry, released by the refill
        RecordingControl control;
        ASSERT_TRUE(ListUsers(&users, &control, 7)) << variant;
        EXPECT_EQ(users.Count(), 0u) << variant;
        EXPECT_TRUE(control.items.empty()) << variant;
        EXPECT_EQ(control.resets, 1) << variant;
        EXPECT_EQ(control.selected, 0) << variant;
    }
}

TEST_F(FakeLibrary, UserTextsAreBoundedByTheirFields) {
    const std::string long_name(100, 'n');
    const std::string long_directory(300, 'd');
    g_users = {{5, long_name.c_str(), long_directory.c_str()}};
    g_count = 1;
    ContactList<PalmUserEntry> users;
    ASSERT_TRUE(ListUsers(&users, nullptr, 5));
    ASSERT_EQ(users.Count(), 1u);
    // The library refuses buffers that are too small: the texts stay empty.
    EXPECT_EQ(users.At(0)->name, "");
    EXPECT_EQ(users.At(0)->directory, "");
    // One that fills its buffers without ending them gives 63 and 255 characters.
    g_unterminated = true;
    ASSERT_TRUE(ListUsers(&users, nullptr, 5));
    EXPECT_EQ(users.At(0)->name, std::string(63, 'x'));
    EXPECT_EQ(users.At(0)->directory, std::string(255, 'x'));
    // Entries whose calls are not bound keep id 0 and empty texts.
    SetUserDataEntryPointsForTesting({nullptr, nullptr, FakeCount, nullptr, nullptr});
    g_count = 2;
    ASSERT_TRUE(ListUsers(&users, nullptr, 5));
    ASSERT_EQ(users.Count(), 2u);
    EXPECT_EQ(users.At(1)->user_id, 0);
    EXPECT_EQ(users.At(1)->name, "");
    users.Clear(true);
}

}  // namespace
}  // namespace tarvenne
