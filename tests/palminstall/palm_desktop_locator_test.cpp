// Finding Palm Desktop (settings file, then registry), its version, and its users and their
// folders through a user library of the test's own; on Windows also registry values as
// Windows stores them, and the test bed's stand-in libraries bound in mask order.
#include "palminstall/palm_desktop_libraries.h"
#include "palminstall/palm_desktop_locator.h"
#include "platform/file_version.h"
#include "platform/module_folder.h"
#include "platform/private_profile.h"
#include "platform/registry.h"
#include "tests/palminstall/pe_images.h"
#include "tests/test_folder.h"

#include <cstring>
#include <optional>
#ifdef _WIN32
#include <windows.h>
#endif

namespace tarvenne {
namespace {

const char kCore[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";

// The settings file and the registry are the test's own: on Windows HKEY_CURRENT_USER
// stands for a volatile key of the test's, whatever the Wine prefix holds.
class Installation : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tarvenne tests", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &root_, nullptr);
        RegCreateKeyExA(root_, kCore, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &core_, nullptr);
        RegOverridePredefKey(HKEY_CURRENT_USER, root_);
#endif
        SetFolders("", std::nullopt);
    }
    void TearDown() override {
        UnloadLibraries(kAllPalmLibraries);
#ifdef _WIN32
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(core_);
        RegCloseKey(root_);
#endif
    }
    void SetFolders(const std::string& ini, const std::optional<std::string>& registry) {
        ASSERT_TRUE(platform::WriteIniString("Path", "PDPath", ini, platform::SettingsFilePath()));
#ifdef _WIN32
        RegDeleteValueA(core_, "DesktopPath");
        if (registry) SetDesktopPath(REG_SZ, registry->c_str(), registry->size() + 1);
    }
    void SetDesktopPath(DWORD type, const void* data, std::size_t size) {
        RegSetValueExA(core_, "DesktopPath", 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    }
    HKEY root_ = nullptr, core_ = nullptr;  // owned: closed by TearDown
#else
        platform::ClearRegistryForTesting();
        if (registry)
            platform::SetRegistryValueForTesting(platform::RegistryRoot::CurrentUser, kCore, "DesktopPath", *registry);
    }
#endif
    testing::SettingsFolder dir_;
};

TEST_F(Installation, FolderFromTheSettingsFileElseTheRegistry) {
    const std::string a259(259, 'a'), b20(20, 'b');
    const struct { std::string ini; std::optional<std::string> registry; std::size_t capacity;
                   std::int32_t status; std::string folder; } cases[] = {
        {"", std::nullopt, 260, -101, ""}, {"", "", 260, -101, ""},  // an empty value is none
        {"", a259, 260, 0, a259}, {"", a259, 259, -102, ""}, {"", "C:\\", 0, -100, "stale"},
        {"Q:\\Nowhere", a259, 259, 0, "Q:\\Nowhere"},  // wins even where nothing is
        {b20, std::nullopt, 21, 0, b20}, {b20, std::nullopt, 20, -102, ""},  // never cut short
    };
    for (const auto& c : cases) {
        SetFolders(c.ini, c.registry);
        std::string folder = "stale";
        EXPECT_EQ(FindDesktopFolder(&folder, c.capacity), c.status) << c.ini << "|" << c.registry.value_or("-");
        EXPECT_EQ(folder, c.folder) << c.ini << "|" << c.registry.value_or("-");
    }
#ifdef _WIN32
    SetFolders("", std::nullopt);
    std::string folder;
    SetDesktopPath(REG_SZ, "C:\\Palm", 7);  // stored without its terminator, which needs room too
    EXPECT_TRUE(FindDesktopFolder(&folder, 8) == 0 && folder == "C:\\Palm") << folder;
    EXPECT_EQ(FindDesktopFolder(&folder, 7), -102);
    SetDesktopPath(REG_DWORD, "\x2A\0\0\0", 4);  // a number is no folder
    EXPECT_EQ(FindDesktopFolder(&folder, 260), -101);
#endif
}

TEST_F(Installation, VersionNumberOfPalmExe) {
    EXPECT_EQ(GetDesktopVersion(), kNoDesktopVersion);  // none installed
    SetFolders(dir_.File(""), std::nullopt);
    EXPECT_EQ(GetDesktopVersion(), kNoDesktopVersion);  // no palm.exe there
    const std::string palm_exe = dir_.File("palm.exe");
    const std::pair<std::vector<std::uint16_t>, std::uint32_t> cases[] = {
        {{4, 1, 2, 0}, 40102}, {{4, 1, 1, 9}, 40101}, {{6, 0, 1, 5}, 60001}, {{4, 100, 0, 0}, 50000}};
    for (const auto& [version, number] : cases) {
        ASSERT_TRUE(platform::WriteFileBytes(palm_exe, testing::PeImage("pe32-4.1.2.0.exe", version)));
        EXPECT_EQ(GetDesktopVersion(), number);
    }
}

#ifdef TARVENNE_TESTBED_DIR
std::string TestBed(const std::string& folder) { return testing::WinPath(TARVENNE_TESTBED_DIR "/" + folder); }

TEST_F(Installation, TestBedPalmExeAndLibrariesInMaskOrder) {
    // On executables a linker made, the reader Linux uses agrees with the version API.
    for (const auto& [folder, number] : {std::pair{"palm411", 40101u}, {"palm601", 60001u}}) {
        SetFolders(TestBed(folder), std::nullopt);
        EXPECT_EQ(GetDesktopVersion(), number);
        std::vector<std::uint8_t> bytes;
        platform::FileVersion v;
        ASSERT_TRUE(platform::ReadFileBytes(TestBed(folder) + "\\palm.exe", &bytes));
        platform::ParsePeFileVersion(bytes.data(), bytes.size(), &v);
        EXPECT_EQ(DesktopVersionNumber(v.major, v.minor, v.build), number);
    }
    // Loading stops at the first library that fails; names a library lacks stay unbound.
    const std::uint32_t bits[] = {kCondMgrLibrary, kUserDataLibrary, kHsApiLibrary, kInstAideLibrary};
    const struct { const char* folder; bool loads; std::size_t bound[4]; } cases[] = {
        {"palm601", true, {50, 37, 11, 33}}, {"no-condmgr", false, {0, 0, 0, 0}},
        {"no-instaide", false, {50, 37, 11, 0}}, {"partial-userdata", true, {50, 34, 11, 33}}};
    for (const auto& c : cases) {
        SetFolders("", TestBed(c.folder));
        UnloadLibraries(kAllPalmLibraries);
        EXPECT_EQ(LoadLibraries(kAllPalmLibraries), c.loads) << c.folder;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(BoundEntryPointCount(bits[i]), c.bound[i]) << c.folder << " " << bits[i];
            EXPECT_EQ(IsPalmLibraryLoaded(bits[i]), c.bound[i] > 0) << c.folder << " " << bits[i];
        }
    }
    EXPECT_FALSE(IsEntryPointBound(kUserDataLibrary, "UmGetUserDirectory"));
}
#endif

// A user library of the test's own: user 7 and two users with id 12. It refuses a text
// that does not fit, as the test bed's UserData.dll does, or with `unterminated` fills the
// whole buffer and ends nothing.
struct FakeUserData {
    std::int16_t count = 3;
    std::int32_t root_result = 1;
    std::int16_t root_leaves_size = -1;  // what the root call leaves in the size; -1: as given
    bool unterminated = false;
    std::vector<std::int16_t> name_sizes, folder_sizes;  // the sizes the calls were given
} g;

std::int32_t Reply(const char* text, std::vector<std::int16_t>* sizes, char* buffer, std::int16_t* size) {
    sizes->push_back(*size);
    if (!text || *size <= 0 || (!g.unterminated && std::strlen(text) >= static_cast<std::size_t>(*size))) return 0;
    if (g.unterminated) std::memset(buffer, 'x', static_cast<std::size_t>(*size));
    else std::strcpy(buffer, text);
    return 1;
}
std::int32_t Root(char* buffer, std::int16_t* size) {
    if (g.root_result) Reply("C:\\Palm\\", &g.folder_sizes, buffer, size);
    if (g.root_leaves_size >= 0) *size = g.root_leaves_size;
    return g.root_result;
}
std::int32_t Directory(std::uint32_t id, char* buffer, std::int16_t* size) {
    return Reply(id == 7 ? "AdamsA" : id == 12 ? "BrownB" : nullptr, &g.folder_sizes, buffer, size);
}
std::int32_t Name(std::uint32_t id, char* buffer, std::int16_t* size) {
    return Reply(id == 7 ? "Ann Adams" : id == 12 ? "Bob Brown" : nullptr, &g.name_sizes, buffer, size);
}
std::int16_t Count() { return g.count; }
std::int32_t Id(std::int16_t index, std::uint32_t* id) {
    *id = index == 0 ? 7 : 12;
    return 1;
}
const UserDataEntryPoints kAllCalls = {Root, Directory, Count, Id, Name};

TEST_F(Installation, UserFolderIsRootThenDirectoryThenSeparator) {
    const struct { UserDataEntryPoints calls; std::int32_t root_result; std::size_t capacity;
                   std::int16_t root_leaves_size; const char* folder; } cases[] = {
        {kAllCalls, 1, 260, -1, "C:\\Palm\\BrownB"}, {kAllCalls, 1, 16, -1, "C:\\Palm\\BrownB"},
        {kAllCalls, 1, 15, -1, nullptr}, {kAllCalls, 0, 260, -1, nullptr},
        {{Root}, 1, 260, -1, "C:\\Palm\\"}, {{nullptr, Directory}, 1, 260, -1, nullptr},
        // The root call claims more room than there is, or leaves too little for the name.
        {kAllCalls, 1, 260, 30000, "C:\\Palm\\BrownB"}, {kAllCalls, 1, 260, 5, "C:\\Palm\\"},
    };
    for (const auto& c : cases) {
        g = FakeUserData();
        g.root_result = c.root_result;
        g.root_leaves_size = c.root_leaves_size;
        SetUserDataEntryPointsForTesting(c.calls);
        std::string folder = "stale";
        EXPECT_EQ(UserFolderPath(12, &folder, c.capacity), c.folder != nullptr) << c.capacity;
        EXPECT_EQ(folder, c.folder ? c.folder + std::string(1, platform::kPathSeparator) : "") << c.capacity;
        for (std::int16_t size : g.folder_sizes) EXPECT_LE(size, 260);
    }
    EXPECT_EQ(g.folder_sizes, (std::vector<std::int16_t>{260, 5}));  // one size serves both calls
}

// Records what ListUsers does to the drop-down list.
struct RecordingControl : UserListControl {
    void Reset() override { items.clear(); }
    void AddItem(const std::string& text, std::int32_t data) override { items.push_back({text, data}); }
    void Select(std::int32_t position) override { selected = position; }
    std::vector<std::pair<std::string, std::int32_t>> items{{"left over", 1}};
    std::int32_t selected = -1;
};

TEST_F(Installation, ListsUsersAndSelectsTheLastWithTheId) {
    g = FakeUserData();
    ContactList<PalmUserEntry> users;
    RecordingControl control;
    // No users for a count below 1 (0x8000 read signed) or none bound; a user whose calls
    // are not bound has id 0 and no texts. The list is refilled each time, not appended to.
    const decltype(control.items) three = {{"Ann Adams", 7}, {"Bob Brown", 12}, {"Bob Brown", 12}};
    const struct { std::int16_t count; UserDataEntryPoints calls; std::uint32_t id; decltype(three) items;
                   std::int32_t selected; } cases[] = {
        {-32768, kAllCalls, 7, {}, 0}, {3, {Root, Directory, nullptr, Id, Name}, 7, {}, 0},
        {2, {nullptr, nullptr, Count}, 7, {{"", 0}, {"", 0}}, 0},
        {3, kAllCalls, 4444, three, 0},  // nobody with the id: the first
        {3, kAllCalls, 12, three, 2}};
    for (const auto& c : cases) {
        g.count = c.count;
        SetUserDataEntryPointsForTesting(c.calls);
        ASSERT_TRUE(ListUsers(&users, &control, c.id));
        EXPECT_EQ(users.Count(), c.items.size()) << c.count << " " << c.id;
        EXPECT_EQ(control.items, c.items) << c.count << " " << c.id;
        EXPECT_EQ(control.selected, c.selected) << c.count << " " << c.id;
    }
    EXPECT_EQ(users.At(2)->directory, "BrownB");  // asked for by id

    // Texts the library does not end are cut at their field's width.
    g.unterminated = true;
    ASSERT_TRUE(ListUsers(&users, nullptr, 7));
    EXPECT_EQ(users.At(0)->name, std::string(63, 'x'));
    EXPECT_EQ(users.At(0)->directory, std::string(255, 'x'));
    for (std::int16_t size : g.name_sizes) EXPECT_EQ(size, 64);
    for (std::int16_t size : g.folder_sizes) EXPECT_EQ(size, 256);
    users.Clear(true);
}

}  // namespace
}  // namespace tarvenne
