// The settings file reader and writer: names without regard to case, defaults, integer
// parsing, and writes that keep the rest of the file.
#include "platform/file_system.h"
#include "platform/private_profile.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

namespace tarvenne::platform {
namespace {

using tarvenne::testing::Bytes;
using tarvenne::testing::TestFolder;

TEST(PrivateProfile, ReadsWithoutRegardToCaseAndFallsBackToDefaults) {
    TestFolder dir;
    const std::string ini = dir.File("tarvenne.ini");
    EXPECT_EQ(ReadIniString("Path", "PDPath", "none", ini), "none");  // no file
    ASSERT_TRUE(WriteFileBytes(ini, Bytes("[Brisfold]\r\nPalmMode = 1 \r\n"
                                          "[path]\r\npdpath=\"C:\\Palm\"\r\nEmpty=\r\n")));
    EXPECT_EQ(ReadIniString("PATH", "PDPATH", "", ini), "C:\\Palm");
    EXPECT_EQ(ReadIniInt("brisfold", "palmmode", 7, ini), 1);
    EXPECT_EQ(ReadIniInt("Brisfold", "Missing", 7, ini), 7);
    EXPECT_EQ(ReadIniInt("Nowhere", "PalmMode", -3, ini), -3);
    EXPECT_EQ(ReadIniInt("Path", "Empty", 5, ini), 5);  // present but empty
    EXPECT_EQ(ReadIniString("Path", "Empty", "d", ini), "");
}

TEST(PrivateProfile, IntegersParseAsTheProfileReaderDoes) {
    EXPECT_EQ(ParseIniInt("42"), 42);
    EXPECT_EQ(ParseIniInt("  17abc"), 17);
    EXPECT_EQ(ParseIniInt("abc"), 0);
    EXPECT_EQ(ParseIniInt("-5"), -5);
    EXPECT_EQ(ParseIniInt("+9"), 9);
    EXPECT_EQ(ParseIniInt("0x1F"), 31);
    EXPECT_EQ(ParseIniInt("0x"), 0);
    EXPECT_EQ(ParseIniInt("4294967295"), -1);
    EXPECT_EQ(ParseIniInt("1.9"), 1);
}

TEST(PrivateProfile, WritesReplaceOrAddAndKeepEverythingElse) {
    TestFolder dir;
    const std::string ini = dir.File("w.ini");
    ASSERT_TRUE(WriteIniString("Brisfold", "PalmMode", "1", ini));  // creates the file
    ASSERT_TRUE(WriteIniString("Brisfold", "DataMode", "0", ini));
    ASSERT_TRUE(WriteIniString("Path", "PDPath", "C:\\Palm", ini));
    ASSERT_TRUE(WriteIniString("brisfold", "palmmode", "0", ini));  // replaces in place
    EXPECT_EQ(ReadIniInt("Brisfold", "PalmMode", 9, ini), 0);
    EXPECT_EQ(ReadIniInt("Brisfold", "DataMode", 9, ini), 0);
    EXPECT_EQ(ReadIniString("Path", "PDPath", "", ini), "C:\\Palm");
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(ini, &bytes));
    const std::string text(bytes.begin(), bytes.end());
    // One PalmMode line only, still in its section ahead of the other sections' keys.
    EXPECT_EQ(text.find("PalmMode"), text.rfind("PalmMode"));
    EXPECT_LT(text.find("DataMode"), text.find("[Path]"));
}

}  // namespace
}  // namespace tarvenne::platform
