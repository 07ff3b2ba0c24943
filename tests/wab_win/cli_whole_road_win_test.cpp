// tarvenne-cli under Wine with everything in place: the stand-in WAB32.DLL registered
// under DLLPath and the test bed's Palm Desktop 6.0.1 named in the settings file. The
// users come from its user library, @user:ID names a user's file, the installed version
// chooses the layout, and an address book read through WAB32.DLL converts to exactly the
// records its vCard file gives.
#include "cli/commands.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "tests/engine/target_files.h"
#include "tests/test_folder.h"
#include "tests/wab_win/dll_path_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarvenne::cli {
namespace {

using testing::RegisteredWabPath;
using testing::TestFolder;
using testing::WinePath;

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

// A file the test puts into the test bed, removed again with its backup.
struct Placed {
    ~Placed() {
        platform::RemoveFile(path);
        platform::RemoveFile(path + ".xbk");
    }
    const std::string& Path() const { return path; }
    std::string path;
};

TEST(CliWholeRoad, UsersUserTargetsAndTheAddressBookThroughWab32) {
    TestFolder dir;
    const std::string desktop = WinePath(TARVENNE_TESTBED_PALM601);
    const std::string ini = dir.File("tarvenne.ini");
    std::ofstream(ini) << "[Path]\r\nPDPath=" << desktop << "\r\n";
    platform::SetSettingsFileForTesting(ini);
    RegisteredWabPath registered(WinePath(TARVENNE_STANDIN_WAB32));
    ASSERT_TRUE(registered.Set());

    CliRun users = Cli({"users"});
    EXPECT_EQ(users.status, 0) << users.err;
    EXPECT_EQ(users.out,
              "@user:1001  Ann Adams  (AdamsA)\n@user:1002  Bob Brown  (BrownB)\n"
              "@user:1003  Cy Chen  (ChenC)\n");

    // Bob's file in the newer layout, Ann's in the classic one.
    const std::string sep(1, platform::kPathSeparator);
    Placed bob{desktop + sep + "BrownB" + sep + "address" + sep + "address.dat"};
    Placed ann{desktop + sep + "AdamsA" + sep + "address" + sep + "address.dat"};
    testing::WriteFileBytes(bob.Path(), testing::PalmSgFileBytes(bob.Path(), {}));
    testing::WriteFileBytes(ann.Path(), testing::ClassicFileBytes(ann.Path(), {}));
    const std::string by_path = dir.File("by-path.dat");
    testing::WriteFileBytes(by_path, testing::PalmSgFileBytes(by_path, {}));

    const std::string book = dir.File("book.wab");
    const std::string cards = dir.File("book.vcf");
    std::filesystem::copy_file(WinePath(TARVENNE_SAMPLE_BOOK), book);
    std::filesystem::copy_file(WinePath(TARVENNE_SAMPLE_BOOK), cards);

    CliRun to_bob = Cli({"convert", book, "@user:1002"});
    EXPECT_EQ(to_bob.status, 0) << to_bob.err;
    EXPECT_NE(to_bob.out.find("(read as palmsg, written as palmsg)"), std::string::npos) << to_bob.out;
    EXPECT_NE(to_bob.out.find("32 added, 0 updated, 0 skipped"), std::string::npos) << to_bob.out;
    CliRun from_cards = Cli({"convert", cards, by_path});
    EXPECT_EQ(from_cards.status, 0) << from_cards.err;
    // The same records, whichever reader read the book.
    CliRun dump_bob = Cli({"dump", bob.Path(), "--format", "json"});
    CliRun dump_path = Cli({"dump", by_path, "--format", "json"});
    ASSERT_EQ(dump_bob.status, 0) << dump_bob.err;
    EXPECT_EQ(dump_bob.out, dump_path.out);
    EXPECT_NE(dump_bob.out.find("\"last_name\": \"Garc\xC3\xAD" "a\""), std::string::npos);

    // Palm Desktop 6.0.1 writes only the newer layout: Ann's classic file stays as it was.
    const std::vector<std::uint8_t> ann_before = testing::ReadFileBytes(ann.Path());
    CliRun to_ann = Cli({"convert", book, "@user:1001", "--format", "json"});
    EXPECT_EQ(to_ann.status, 1);
    EXPECT_NE(to_ann.out.find("\"write_layout\": \"palmsg\""), std::string::npos) << to_ann.out;
    EXPECT_NE(to_ann.err.find("Palm Desktop 6.0.1"), std::string::npos) << to_ann.err;
    EXPECT_EQ(testing::ReadFileBytes(ann.Path()), ann_before);
    EXPECT_FALSE(platform::PathExists(ann.Path() + ".xbk"));

    platform::SetSettingsFileForTesting("");
}

}  // namespace
}  // namespace tarvenne::cli
