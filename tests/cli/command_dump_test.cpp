// tarvenne-cli dump on small files of each layout, assembled byte by byte: the JSON
// document, CSV rows and text, and the exit codes for bad usage and unreadable targets.
#include "cli/commands.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "tests/byte_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarvenne::cli {
namespace {

using testing::ByteBuilder;
using testing::TestFolder;

std::vector<std::uint8_t> ClassicFile(const std::string& path) {
    ByteBuilder b;
    b.Int32(0x41420100).CString(path).CString("Palm header\n");
    b.Int32(129).Int32(1).Int32(1).Int32(7).Int32(0).CString("Business").CString("Business");
    const std::uint16_t tags[30] = {1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5,
                                    1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1};
    b.Int32(74).Int32(30).Int32(0).Int32(1).Int32(2).Int16(30);
    for (std::uint16_t t : tags) b.Int16(t);
    b.Int32(30);
    b.IntField(42).IntField(0x04).IntField(3);
    b.TextField("M\xFCller").TextField("J\xF6rg").TextField("Chef").TextField("Caf\xE9, \"Zum Hirsch\"");
    const char* phones[5] = {"555-0100", "555-0101", "", "", "j@example.org"};
    const std::int32_t labels[5] = {0, 1, 2, 3, 4};
    for (int p = 0; p < 5; ++p) b.IntField(labels[p]).TextField(phones[p]);
    b.TextField("Hauptstra\xDF" "e 1").TextField("Berlin").TextField("").TextField("10115")
        .TextField("Germany").TextField("line one\r\nline two");
    b.IntField(1, 6).IntField(7);
    b.TextField("c1").TextField("").TextField("").TextField("c4").IntField(0);
    return b.Bytes();
}

std::vector<std::uint8_t> PalmSgFile(const std::string& path) {
    ByteBuilder b;
    b.Raw(std::string("\xBE\xBA\xFE\xCA\x0F" "PalmSG Database00RV", 24)).Int32(0x41420200);
    std::vector<std::uint8_t> header(24, 0);
    header[12] = 0x01;
    header[13] = 0x10;
    b.Raw(header).CString(path).Zeros(11);
    for (int i = 0; i < 9; ++i) b.CString(i == 0 ? "Spouse" : "").Int32(0);
    b.Zeros(42).Int32(128).Int32(0);
    b.Int32(74).Int32(73).Int32(0).Int32(2).Int32(4).Int16(0);
    b.Int32(73);
    for (int i = 0; i < 73; ++i) {
        if (i == 6 || i == 66) {
            b.IntField(0, 6);
        } else if (i >= 7 && i <= 10) {
            b.Int32(64 + i - 7).Int32(0);
        } else if (i == 65) {
            b.LongField(0x40DC890000000000ull);  // 29220.0: 31 December 1979
        } else if (i == 13) {
            b.TextField("Zo\xEB");
        } else if (i == 14) {
            b.TextField("Tab\there");
        } else if (i == 19) {
            b.TextField("+1 555 0100");
        } else if (i == 43) {
            b.TextField("1 Main St");
        } else if ((i >= 11 && i <= 25 && i != 17) || (i >= 33 && i <= 41) || (i >= 43 && i <= 47) ||
                   (i >= 49 && i <= 53) || (i >= 55 && i <= 61) || i == 64 || i >= 69) {
            b.TextField("");
        } else {
            b.IntField(i == 1 ? 0x1000 : i == 26 ? 7 : i == 48 ? 1 : i == 54 ? 2 : 0);
        }
    }
    return b.Bytes();
}

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

class DumpTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetSettingsFileForTesting(dir.File("none.ini")); }
    void TearDown() override { platform::SetSettingsFileForTesting(""); }
    TestFolder dir;
};

TEST_F(DumpTest, ClassicFileAsJsonCsvAndText) {
    const std::string path = dir.File("classic.dat");
    ASSERT_TRUE(platform::WriteFileBytes(path, ClassicFile(path)));

    CliRun r = Cli({"dump", path, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string& j = r.out;
    EXPECT_EQ(j.rfind("{\n  \"layout\": \"classic\",\n  \"categories\": [\n", 0), 0u) << j;
    EXPECT_NE(j.find("\"index\": 1,\n      \"id\": 7,\n      \"name\": \"Business\""), std::string::npos);
    EXPECT_NE(j.find("\"record_id\": 42,\n      \"status\": 4,\n      \"placement\": 3,\n"
                     "      \"last_name\": \"M\xC3\xBCller\",\n      \"first_name\": \"J\xC3\xB6rg\""),
              std::string::npos) << j;
    EXPECT_NE(j.find("\"company\": \"Caf\xC3\xA9, \\\"Zum Hirsch\\\"\""), std::string::npos);
    EXPECT_NE(j.find("{\n          \"label\": 4,\n          \"text\": \"j@example.org\"\n        }"),
              std::string::npos) << j;
    EXPECT_NE(j.find("\"note\": \"line one\\r\\nline two\""), std::string::npos);
    EXPECT_NE(j.find("\"private\": 1,\n      \"category_id\": 7,\n      \"category_name\": \"Business\""),
              std::string::npos);
    EXPECT_NE(j.find("\"custom\": [\n        \"c1\",\n        \"\",\n        \"\",\n        \"c4\"\n      ]"),
              std::string::npos) << j;
    EXPECT_NE(j.find("\"display_phone\": 0"), std::string::npos);

    r = Cli({"dump", path, "--format=csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t eol = r.out.find("\r\n");
    ASSERT_NE(eol, std::string::npos);
    EXPECT_EQ(r.out.substr(0, eol),
              "record_id,status,placement,last_name,first_name,title,company,phone1_label,phone1,"
              "phone2_label,phone2,phone3_label,phone3,phone4_label,phone4,phone5_label,phone5,"
              "address,city,state,zip,country,note,private,category_id,category_name,custom1,"
              "custom2,custom3,custom4,display_phone");
    EXPECT_EQ(r.out.substr(eol + 2),
              "42,4,3,M\xC3\xBCller,J\xC3\xB6rg,Chef,\"Caf\xC3\xA9, \"\"Zum Hirsch\"\"\",0,555-0100,"
              "1,555-0101,2,,3,,4,j@example.org,Hauptstra\xC3\x9F" "e 1,Berlin,,10115,Germany,"
              "\"line one\r\nline two\",1,7,Business,c1,,,c4,0\r\n");

    // Swapped names read position 3 into the first name.
    r = Cli({"dump", path, "--swap-names"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Layout: classic"), std::string::npos);
    EXPECT_NE(r.out.find("1. J\xC3\xB6rg, M\xC3\xBCller"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("E-Mail: j@example.org"), std::string::npos);
    EXPECT_NE(r.out.find("Note: line one\n      line two\n"), std::string::npos) << r.out;
}

TEST_F(DumpTest, PalmSgFileAsJsonAndCsv) {
    const std::string path = dir.File("palmsg.dat");
    ASSERT_TRUE(platform::WriteFileBytes(path, PalmSgFile(path)));
    CliRun r = Cli({"dump", path, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string& j = r.out;
    EXPECT_EQ(j.rfind("{\n  \"layout\": \"palmsg\",\n  \"categories\": [\n    {\n      \"index\": 0,"
                      "\n      \"id\": 0,\n      \"name\": \"Unfiled\"\n    }\n  ],\n", 0),
              0u) << j;
    EXPECT_NE(j.find("\"record_id\": 0,\n      \"record_number\": 4096,\n      \"status\": 0,\n"
                     "      \"entry_index\": 0,\n      \"placement\": 0,\n      \"category_id\": 0,\n"
                     "      \"private\": 0,\n      \"first_name\": \"Zo\xC3\xAB\",\n"
                     "      \"last_name\": \"Tab\\there\""),
              std::string::npos) << j;
    EXPECT_NE(j.find("{\n          \"label\": 7,\n          \"text\": \"+1 555 0100\"\n        }"),
              std::string::npos);
    EXPECT_NE(j.find("\"kind\": 0,\n          \"street\": \"1 Main St\""), std::string::npos);
    EXPECT_NE(j.find("\"kind\": 2,"), std::string::npos);
    EXPECT_NE(j.find("\"web_page\": \"\",\n      \"birthday\": 29220,\n"
                     "      \"category_name\": \"Unfiled\"\n    }\n  ]\n}\n"),
              std::string::npos) << j;

    r = Cli({"dump", path, "--format", "csv"});
    ASSERT_EQ(r.status, 0);
    const std::size_t eol = r.out.find("\r\n");
    ASSERT_NE(eol, std::string::npos);
    const std::string row_start =
        "0,4096,0,0,0,0,Unfiled,0,Zo\xC3\xAB,Tab\there,,,,7,+1 555 0100,0,,0,,0,,0,,";
    EXPECT_EQ(r.out.substr(eol + 2, row_start.size()), row_start);
    EXPECT_EQ(r.out.substr(r.out.size() - 11), ",,,,29220\r\n");
}

TEST_F(DumpTest, ExitCodesForUsageAndUnreadableTargets) {
    CliRun r = Cli({});
    EXPECT_EQ(r.status, kExitUsage);
    r = Cli({"frobnicate"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("unknown command"), std::string::npos);
    r = Cli({"dump"});
    EXPECT_EQ(r.status, kExitUsage);
    r = Cli({"dump", "a.dat", "--format", "xml"});
    EXPECT_EQ(r.status, kExitUsage);
    r = Cli({"dump", "@user:abc"});
    EXPECT_EQ(r.status, kExitUsage);

    const std::string missing = dir.File("missing.dat");
    r = Cli({"dump", missing});
    EXPECT_EQ(r.status, kExitUnreadable);
    EXPECT_NE(r.err.find(missing), std::string::npos);
    EXPECT_EQ(r.out, "");

    // Neither layout: the message says what each reader found.
    const std::string junk = dir.File("junk.dat");
    ASSERT_TRUE(platform::WriteFileBytes(junk, testing::Bytes("not a contacts file at all, no")));
    r = Cli({"dump", junk});
    EXPECT_EQ(r.status, kExitUnreadable);
    EXPECT_NE(r.err.find("classic"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("PalmSG"), std::string::npos) << r.err;

    r = Cli({"dump", "@user:1"});  // no Palm Desktop here: no user folders
    EXPECT_EQ(r.status, kExitUnreadable);
}

}  // namespace
}  // namespace tarvenne::cli
