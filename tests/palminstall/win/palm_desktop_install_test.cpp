// The installation lookup on Windows against the stand-in Palm Desktop folders of the
// test bed: the registry value, palm.exe's version record through the version API, the
// four libraries in mask order, and the users through the stand-in UserData.dll.
#include "palminstall/palm_desktop_libraries.h"
#include "palminstall/palm_desktop_locator.h"
#include "palminstall/user_list_combo.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "platform/module_folder.h"
#include "platform/private_profile.h"
#include "platform/registry.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace tarvenne {
namespace {

const char kCore[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";

// A test-bed folder as Windows programs under Wine see it: Z: is the Linux root.
std::string TestBed(const std::string& folder) {
    std::string path = std::string("Z:") + TARVENNE_TESTBED_DIR + "/" + folder;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Sets HKCU\...\Core DesktopPath for one test and puts back what was there before.
class RegistryFolder {
public:
    RegistryFolder() {
        had_value_ = platform::ReadRegistryString(platform::RegistryRoot::CurrentUser, kCore,
                                                  "DesktopPath", 4096, &previous_) ==
                     platform::RegistryStatus::Ok;
    }
    ~RegistryFolder() {
        if (had_value_) Set(previous_);
        else Remove();
    }
    void Set(const std::string& folder) { SetRaw(REG_SZ, folder.c_str(), folder.size() + 1); }
    // Any type and any bytes, a text without its terminator included.
    void SetRaw(DWORD type, const void* data, std::size_t size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kCore, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "DesktopPath", 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
        RegCloseKey(key);
    }
    void Remove() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kCore, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueA(key, "DesktopPath");
        RegCloseKey(key);
    }

private:
    bool had_value_ = false;
    std::string previous_;
};

class PalmDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        // A settings file without PDPath, so the registry decides.
        platform::SetSettingsFileForTesting(dir_.File("tarvenne.ini"));
        UnloadLibraries(kAllPalmLibraries);
    }
    void TearDown() override {
        UnloadLibraries(kAllPalmLibraries);
        platform::SetSettingsFileForTesting("");
    }
    testing::TestFolder dir_;
    RegistryFolder registry_;
};

TEST_F(PalmDesktop, FolderComesFromTheRegistry) {
    registry_.Remove();
    std::string folder;
    EXPECT_EQ(FindDesktopFolder(&folder, 260), -101);
    EXPECT_EQ(GetDesktopVersion(), kNoDesktopVersion);

    registry_.Set(TestBed("palm411"));
    ASSERT_EQ(FindDesktopFolder(&folder, 260), 0);
    EXPECT_EQ(folder, TestBed("palm411"));
    const std::size_t length = folder.size();
    EXPECT_EQ(FindDesktopFolder(&folder, length), -102);
    EXPECT_EQ(FindDesktopFolder(&folder, length + 1), 0) << "exactly fitting";
    EXPECT_EQ(FindDesktopFolder(&folder, 0), -100);

    // A text stored without its terminator still needs room for one; a number or an
    // empty text names no folder.
    registry_.SetRaw(REG_SZ, "C:\\Palm", 7);
    EXPECT_EQ(FindDesktopFolder(&folder, 8), 0);
    EXPECT_EQ(folder, "C:\\Palm");
    EXPECT_EQ(FindDesktopFolder(&folder, 7), -102);
    const DWORD number = 42;
    registry_.SetRaw(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(FindDesktopFolder(&folder, 260), -101);
    registry_.Set("");
    EXPECT_EQ(FindDesktopFolder(&folder, 260), -101);
    registry_.Set(TestBed("palm411"));

    // A folder in the settings file wins, even one that does not exist.
    platform::WriteIniString("Path", "PDPath", "Q:\\Nowhere", dir_.File("tarvenne.ini"));
    ASSERT_EQ(FindDesktopFolder(&folder, 260), 0);
    EXPECT_EQ(folder, "Q:\\Nowhere");
    EXPECT_EQ(GetDesktopVersion(), kNoDesktopVersion);
}

TEST_F(PalmDesktop, VersionOfTheStandInPalmExe) {
    struct Case {
        const char* folder;
        std::uint32_t major, minor, build, number;
    } cases[] = {{"palm411", 4, 1, 1, 40101}, {"palm601", 6, 0, 1, 60001}};
    for (const Case& c : cases) {
        const std::string exe = TestBed(c.folder) + "\\palm.exe";
        std::uint32_t major = 0, minor = 0, build = 0, private_part = 9;
        ASSERT_TRUE(ReadFileVersion(exe, &major, &minor, &build, &private_part)) << exe;
        EXPECT_EQ(major, c.major);
        EXPECT_EQ(minor, c.minor);
        EXPECT_EQ(build, c.build);
        EXPECT_EQ(private_part, 0u);

        // The reader Linux uses gives what the version API gives for a real executable.
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(platform::ReadFileBytes(exe, &bytes));
        platform::FileVersion parsed;
        ASSERT_EQ(platform::ParsePeFileVersion(bytes.data(), bytes.size(), &parsed),
                  platform::PeVersionError::None);
        EXPECT_EQ(parsed.major, c.major);
        EXPECT_EQ(parsed.minor, c.minor);
        EXPECT_EQ(parsed.build, c.build);

        registry_.Set(TestBed(c.folder));
        EXPECT_EQ(GetDesktopVersion(), c.number);
    }
    std::uint32_t major = 1, minor = 1, build = 1, private_part = 1;
    EXPECT_FALSE(ReadFileVersion(TestBed("palm411") + "\\users.ini", &major, &minor, &build, &private_part));
    EXPECT_EQ(major + minor + build + private_part, 0u);
    EXPECT_FALSE(ReadFileVersion(TestBed("palm411") + "\\missing.exe", &major, &minor, &build, &private_part));
}

TEST_F(PalmDesktop, LibrariesLoadInMaskOrderAndStopAtTheFirstFailure) {
    registry_.Remove();
    EXPECT_FALSE(LoadLibraries(kAllPalmLibraries));  // no folder

    registry_.Set(TestBed("palm601"));
    ASSERT_TRUE(LoadLibraries(kAllPalmLibraries));
    const std::uint32_t bits[] = {kCondMgrLibrary, kUserDataLibrary, kHsApiLibrary, kInstAideLibrary};
    const std::size_t sizes[] = {50, 37, 11, 33};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(IsPalmLibraryLoaded(bits[i])) << bits[i];
        EXPECT_EQ(BoundEntryPointCount(bits[i]), sizes[i]) << bits[i];
    }
    EXPECT_TRUE(IsEntryPointBound(kInstAideLibrary, "PlmGetLibVesion"));
    UnloadLibraries(kUserDataLibrary | kInstAideLibrary);
    EXPECT_FALSE(IsPalmLibraryLoaded(kUserDataLibrary));
    EXPECT_EQ(BoundEntryPointCount(kUserDataLibrary), 0u);
    EXPECT_EQ(BoundEntryPointCount(kInstAideLibrary), 0u);
    EXPECT_TRUE(IsPalmLibraryLoaded(kCondMgrLibrary));
    EXPECT_EQ(BoundEntryPointCount(kHsApiLibrary), 11u);
    UnloadLibraries(kAllPalmLibraries);

    // Only the chosen bits are loaded.
    ASSERT_TRUE(LoadLibraries(kUserDataLibrary));
    EXPECT_TRUE(IsPalmLibraryLoaded(kUserDataLibrary));
    EXPECT_FALSE(IsPalmLibraryLoaded(kCondMgrLibrary));
    UnloadLibraries(kAllPalmLibraries);

    // Without condmgr.dll nothing after it is attempted, so no users are listed.
    registry_.Set(TestBed("no-condmgr"));
    EXPECT_FALSE(LoadLibraries(kAllPalmLibraries));
    for (std::uint32_t bit : bits) EXPECT_FALSE(IsPalmLibraryLoaded(bit)) << bit;
    ContactList<PalmUserEntry> users;
    ASSERT_TRUE(ListUsers(&users, nullptr, 0));
    EXPECT_EQ(users.Count(), 0u);
    EXPECT_TRUE(LoadLibraries(kAllPalmLibraries & ~kCondMgrLibrary));
    UnloadLibraries(kAllPalmLibraries);

    // Without instaide.dll the three before it stay loaded.
    registry_.Set(TestBed("no-instaide"));
    EXPECT_FALSE(LoadLibraries(kAllPalmLibraries));
    EXPECT_TRUE(IsPalmLibraryLoaded(kCondMgrLibrary));
    EXPECT_TRUE(IsPalmLibraryLoaded(kUserDataLibrary));
    EXPECT_TRUE(IsPalmLibraryLoaded(kHsApiLibrary));
    EXPECT_FALSE(IsPalmLibraryLoaded(kInstAideLibrary));
}

TEST_F(PalmDesktop, UsersAndUserFoldersFromTheUserLibrary) {
    registry_.Set(TestBed("palm411"));
    ContactList<PalmUserEntry> users;
    std::string folder;
    // Before the libraries are loaded there are no users and no user folders.
    ASSERT_TRUE(ListUsers(&users, nullptr, 1002));
    EXPECT_EQ(users.Count(), 0u);
    EXPECT_FALSE(UserFolderPath(1002, &folder, 260));

    ASSERT_TRUE(LoadLibraries(kAllPalmLibraries));
    ASSERT_TRUE(ListUsers(&users, nullptr, 1002));
    ASSERT_EQ(users.Count(), 3u);
    EXPECT_EQ(users.At(1)->user_id, 1002);
    EXPECT_EQ(users.At(1)->name, "Bob Brown");
    EXPECT_EQ(users.At(1)->directory, "BrownB");
    EXPECT_EQ(users.At(2)->name, "Cy Chen");

    ASSERT_TRUE(UserFolderPath(1002, &folder, 260));
    EXPECT_EQ(folder, TestBed("palm411") + "\\BrownB\\");
    EXPECT_FALSE(UserFolderPath(1002, &folder, folder.size()));
    UnloadLibraries(kAllPalmLibraries);

    // A UserData.dll without UmGetUserDirectory: bound entry points are still used, the
    // missing one is skipped.
    registry_.Set(TestBed("partial-userdata"));
    ASSERT_TRUE(LoadLibraries(kAllPalmLibraries));
    EXPECT_EQ(BoundEntryPointCount(kUserDataLibrary), 34u);
    EXPECT_FALSE(IsEntryPointBound(kUserDataLibrary, "UmGetUserDirectory"));
    EXPECT_TRUE(IsEntryPointBound(kUserDataLibrary, "UmGetRootDirectory"));
    ASSERT_TRUE(ListUsers(&users, nullptr, 0));
    ASSERT_EQ(users.Count(), 3u);
    EXPECT_EQ(users.At(0)->name, "Ann Adams");
    EXPECT_EQ(users.At(0)->directory, "");
    ASSERT_TRUE(UserFolderPath(1001, &folder, 260));
    EXPECT_EQ(folder, TestBed("partial-userdata") + "\\\\");
    users.Clear(true);
}

TEST_F(PalmDesktop, UsersFillTheComboBox) {
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 200, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!combo) GTEST_SKIP() << "no window station (error " << GetLastError() << ")";
    registry_.Set(TestBed("palm601"));
    ASSERT_TRUE(LoadLibraries(kAllPalmLibraries));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("left over"));
    ContactList<PalmUserEntry> users;
    ComboBoxUserList control(combo);
    ASSERT_TRUE(ListUsers(&users, &control, 1003));
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 1, 0), 1002);
    char text[64] = {};
    SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Ann Adams");

    ASSERT_TRUE(ListUsers(&users, &control, 4711));  // nobody: the first item
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);

    UnloadLibraries(kUserDataLibrary);
    ASSERT_TRUE(ListUsers(&users, &control, 1003));
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    DestroyWindow(combo);
    users.Clear(true);
}

}  // namespace
}  // namespace tarvenne
