// The settings file's reader and writer, on Windows the private-profile functions themselves:
// names without regard to case, defaults, integers, and writes that keep the rest of the file.
#include "platform/file_system.h"
#include "platform/private_profile.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tarvenne::platform {
namespace {

using tarvenne::testing::Bytes;

TEST(PrivateProfile, ReadsAsTheProfileFunctionsRead) {
    testing::TestFolder dir;
    const std::string ini = dir.File("tarvenne.ini");
    EXPECT_EQ(ReadIniString("Path", "PDPath", "none", ini), "none");  // no file
    ASSERT_TRUE(WriteFileBytes(ini, Bytes("[Brisfold]\r\nPalmMode = 1 \r\n[path]\r\npdpath=\"C:\\Palm\"\r\nEmpty=\r\n"
                                          "[N]\r\na=  17abc\r\nb=-5\r\nc=+9\r\nd=0x1F\r\ne=0x\r\nf=1.9\r\n"
                                          "g=4294967295\r\nh=abc\r\n")));
    EXPECT_EQ(ReadIniString("PATH", "PDPATH", "", ini), "C:\\Palm");
    EXPECT_EQ(ReadIniString("Path", "Empty", "d", ini), "");
    // Missing or empty: the default; otherwise the leading integer, 0 when there is none.
    const std::tuple<const char*, const char*, int> ints[] = {
        {"brisfold", "palmmode", 1}, {"Brisfold", "Missing", 77}, {"Nowhere", "PalmMode", 77}, {"Path", "Empty", 77},
        {"N", "a", 17}, {"N", "b", -5}, {"N", "c", 9}, {"N", "d", 31}, {"N", "e", 0}, {"N", "f", 1}, {"N", "g", -1},
        {"N", "h", 0}};
    for (const auto& [section, key, value] : ints)
        EXPECT_EQ(ReadIniInt(section, key, 77, ini), value) << section << " " << key;
}

TEST(PrivateProfile, WritesReplaceOrAddAndKeepEverythingElse) {
    testing::TestFolder dir;
    const std::string ini = dir.File("w.ini");
    ASSERT_TRUE(WriteIniString("Brisfold", "PalmMode", "1", ini));  // creates the file
    ASSERT_TRUE(WriteIniString("Path", "PDPath", "C:\\Palm", ini));
    ASSERT_TRUE(WriteIniString("Brisfold", "DataMode", "0", ini));  // into its section
    ASSERT_TRUE(WriteIniString("brisfold", "palmmode", "12", ini));  // replaces in place
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(ini, &bytes));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find("almMode"), text.rfind("almMode")) << text;  // one PalmMode line only
    EXPECT_LT(text.find("DataMode"), text.find("[Path]")) << text;
    EXPECT_EQ(ReadIniInt("Brisfold", "PalmMode", 9, ini), 12);
    EXPECT_EQ(ReadIniInt("Brisfold", "DataMode", 9, ini), 0);
    EXPECT_EQ(ReadIniString("Path", "PDPath", "", ini), "C:\\Palm");
}

}  // namespace
}  // namespace tarvenne::platform
