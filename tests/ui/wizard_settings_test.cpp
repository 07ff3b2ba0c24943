// The wizard's settings in tarvenne.ini: defaults, range rules, bounds and what is written.
#include "ui/wizard/wizard_settings.h"

#include "platform/private_profile.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(WizardSettings, MissingFileGivesDefaultsAndSaveWritesFourteenKeys) {
    testing::TestFolder folder;
    const std::string ini = folder.File("tarvenne.ini");
    WizardSettings settings;
    EXPECT_EQ(settings.CheckDuplicates, 1);
    settings.UserID = 55;  // replaced by the default, not kept
    LoadSettings(&settings, ini);
    EXPECT_EQ(settings.DataMode, 0);
    EXPECT_EQ(settings.PalmMode, 0);
    EXPECT_EQ(settings.UserID, 0);
    EXPECT_TRUE(settings.WabFile.empty());
    EXPECT_TRUE(settings.PalmFile.empty());
    for (int value : settings.Custom) EXPECT_EQ(value, 0);

    SaveSettings(settings, ini);
    const std::string text = ReadFile(ini);
    const std::vector<std::string> keys = {"DataMode", "PalmMode", "WabFile", "PalmFile",
                                           "UserID",   "Custom1",  "Custom2", "Custom3",
                                           "Custom4",  "Custom5",  "Custom6", "Custom7",
                                           "Custom8",  "Custom9"};
    std::size_t previous = 0;
    for (const std::string& key : keys) {
        const std::size_t at = text.find(key + "=");
        ASSERT_NE(at, std::string::npos) << key << " missing in\n" << text;
        EXPECT_GT(at, previous) << key << " out of order";
        previous = at;
    }
    EXPECT_NE(text.find("[Brisfold]"), std::string::npos);
    EXPECT_EQ(text.find("SwapName"), std::string::npos);
    EXPECT_EQ(text.find("CheckDuplicates"), std::string::npos);
    EXPECT_EQ(platform::ReadIniString("Brisfold", "DataMode", "?", ini), "0");
    EXPECT_EQ(platform::ReadIniString("Brisfold", "WabFile", "?", ini), "");
}

TEST(WizardSettings, RangeRulesOfTheModes) {
    testing::TestFolder folder;
    const std::string ini = folder.File("tarvenne.ini");
    struct Case {
        const char* data;
        const char* palm;
        int data_mode;
        int palm_mode;
    };
    // An unknown source mode means the current address book; an unknown target mode
    // means "by file".
    for (const Case& c : {Case{"7", "7", 0, 1}, Case{"1", "0", 1, 0}, Case{"-1", "2", 0, 1},
                          Case{"0", "1", 0, 1}, Case{"abc", "", 0, 0}}) {
        WriteFile(ini, std::string("[Brisfold]\r\nDataMode=") + c.data + "\r\nPalmMode=" +
                           c.palm + "\r\n");
        WizardSettings settings;
        LoadSettings(&settings, ini);
        EXPECT_EQ(settings.DataMode, c.data_mode) << c.data;
        EXPECT_EQ(settings.PalmMode, c.palm_mode) << c.palm;
    }
}

TEST(WizardSettings, ValuesRoundTripAndPathsAreBounded) {
    testing::TestFolder folder;
    const std::string ini = folder.File("tarvenne.ini");
    const std::string long_path = "C:\\" + std::string(300, 'w') + ".wab";
    WriteFile(ini,
              "[Path]\r\nPDPath=C:\\Palm\r\n[ZerazarIvuvez]\r\nSwapName=1\r\n[Brisfold]\r\n"
              "DataMode=1\r\nWabFile=" + long_path + "\r\nPalmMode=1\r\n"
              "PalmFile=C:\\Palm\\AdamsA\\address\\address.dat\r\nUserID=-7\r\n"
              "Custom1=973471774\r\nCustom9=0x3A4F001E\r\n");
    WizardSettings settings;
    LoadSettings(&settings, ini);
    EXPECT_EQ(settings.DataMode, 1);
    EXPECT_EQ(settings.WabFile.size(), 259u);
    EXPECT_EQ(settings.WabFile.str(), long_path.substr(0, 259));
    EXPECT_EQ(settings.PalmFile.str(), "C:\\Palm\\AdamsA\\address\\address.dat");
    EXPECT_EQ(settings.UserID, -7);
    EXPECT_EQ(settings.Custom[0], 973471774);
    EXPECT_EQ(settings.Custom[8], 0x3A4F001E);
    EXPECT_EQ(settings.Custom[4], 0);

    settings.Custom[4] = -2147483647 - 1;
    SaveSettings(settings, ini);
    EXPECT_EQ(platform::ReadIniString("Brisfold", "Custom5", "", ini), "-2147483648");
    EXPECT_EQ(platform::ReadIniString("Brisfold", "Custom9", "", ini), "978255902");
    EXPECT_EQ(platform::ReadIniString("Brisfold", "UserID", "", ini), "-7");
    EXPECT_EQ(platform::ReadIniString("Brisfold", "WabFile", "", ini), long_path.substr(0, 259));
    // Sections the wizard never writes are left as they were.
    EXPECT_EQ(platform::ReadIniString("Path", "PDPath", "", ini), "C:\\Palm");
    EXPECT_EQ(platform::ReadIniString("ZerazarIvuvez", "SwapName", "", ini), "1");

    WizardSettings again;
    LoadSettings(&again, ini);
    EXPECT_EQ(again.WabFile, settings.WabFile);
    EXPECT_EQ(again.PalmFile, settings.PalmFile);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(again.Custom[k], settings.Custom[k]) << k;
}

}  // namespace
}  // namespace tarvenne
