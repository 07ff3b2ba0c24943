// The loader with no address-book library at all, under Wine: the registered path names a
// file that is not there and no WAB32.DLL can be found by name, so every file goes to the
// built-in vCard reader and the current user's book cannot be opened.
#include "tests/test_folder.h"
#include "tests/wab_win/dll_path_win.h"
#include "wab/property_table.h"
#include "wab/wab_loader.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace tarvenne::wab {
namespace {

using testing::RegisteredWabPath;
using testing::TestFolder;
using testing::WinePath;

TEST(NoAddressBookLibrary, EveryFileGoesToTheVCardReader) {
    TestFolder dir;
    const std::string missing = dir.File("nowhere\\WAB32.DLL");
    RegisteredWabPath registered(missing);
    ASSERT_TRUE(registered.Set());
    // The test runs with Wine's own wab32 switched off; a library found here would make
    // the rest of this test prove nothing.
    HMODULE by_name = LoadLibraryA("WAB32.DLL");
    ASSERT_EQ(by_name, nullptr) << "a WAB32.DLL is reachable by name in this prefix";

    WabLoader loader;
    EXPECT_FALSE(loader.LibraryLoaded());
    EXPECT_FALSE(loader.HasOpenEntryPoint());
    // The registered path was tried, then the name.
    EXPECT_EQ(loader.LibraryPath(), "WAB32.DLL");

    const std::string sample = WinePath(TARVENNE_SAMPLE_BOOK);
    const std::string as_wab = dir.File("book.wab");
    std::filesystem::copy_file(sample, as_wab);
    ASSERT_TRUE(loader.Load(as_wab)) << loader.LastError();
    EXPECT_EQ(loader.LastRoad(), LoadRoad::VCard);
    EXPECT_EQ(loader.Count(), 32u);

    const std::string garbage = dir.File("real.wab");
    std::ofstream(garbage, std::ios::binary) << std::string("\x9c\xcb\xcb\x8d\x13\x75\xd2\x11", 8);
    EXPECT_FALSE(loader.Load(garbage));
    EXPECT_EQ(loader.Count(), 0u);
    EXPECT_NE(loader.LastError().find("could not be loaded"), std::string::npos) << loader.LastError();

    EXPECT_FALSE(loader.Load(""));
    EXPECT_NE(loader.LastError().find("current user"), std::string::npos) << loader.LastError();
}

}  // namespace
}  // namespace tarvenne::wab
