// tarvenne-cli dump on a file of each layout assembled byte by byte: the JSON document,
// the CSV rows and the text. Its usage errors are rows of the convert end-to-end test's table.
#include "platform/file_system.h"
#include "tests/cli/cli_run.h"
#include "tests/contacts_file_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tarvenne::cli {
namespace {

using namespace testing;

class DumpTest : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        Person p{"J\xF6rg", "M\xFCller", "Chef", "Caf\xE9, \"Zum Hirsch\"", "line one\r\nline two",
                 {{0, "555-0100"}, {4, "j@example.org"}}, {{1, "Hauptstra\xDF" "e 1", "Berlin"}}, {"c1"}, 1, 4};
        const double birthday = 29220.5;  // 31 December 1979, noon
        std::memcpy(&p.birthday_bits, &birthday, sizeof birthday);
        FileOptions o;
        o.categories = {{1, 7, "Business", "Business"}};
        Row row = RowOf(GetParam(), p);
        row.Set(GetParam() == Layout::kClassic ? 24 : 5, 7);  // the category id
        ASSERT_TRUE(platform::WriteFileBytes(path, BuildFile(GetParam(), {row}, o)));
    }
    SettingsFolder dir;
    const std::string path = dir.File("address.dat");
};

TEST_P(DumpTest, JsonCsvAndTextShowEveryField) {
    const bool classic = GetParam() == Layout::kClassic;
    CliRun json = Cli({"dump", path, "--format", "json"});
    ASSERT_EQ(json.status, 0) << json.err;
    for (const std::string& expected :
         {std::string("\"layout\": \"") + (classic ? "classic" : "palmsg") + "\"",
          std::string("\"index\": 1,\n      \"id\": 7,\n      \"name\": \"Business\""),
          std::string("\"status\": 4"), std::string("\"last_name\": \"M\xC3\xBC" "ller\""),
          std::string("\"company\": \"Caf\xC3\xA9, \\\"Zum Hirsch\\\"\""),
          std::string("{\n          \"label\": 4,\n          \"text\": \"j@example.org\"\n        }"),
          std::string("\"note\": \"line one\\r\\nline two\""), std::string("\"private\": 1"),
          std::string("\"category_name\": \"Business\""),
          std::string(classic ? "\"address\": \"Hauptstra\xC3\x9F" "e 1\"" : "\"kind\": 1,\n          \"street\": \"Hauptstra\xC3\x9F" "e 1\""),
          std::string(classic ? "\"display_phone\": 0" : "\"birthday\": 29220.5,\n      \"birthday_date\": \"1979-12-31\"")})
        EXPECT_TRUE(Contains(json.out, expected));

    CliRun csv = Cli({"dump", path, "--format=csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out.rfind(classic ? "record_id,status,placement,last_name,first_name,title,company,phone1_label,phone1,"
                                    : "record_id,record_number,status,entry_index,placement,category_id,private,first_name,",
                            0),
              0u)
        << csv.out;
    EXPECT_TRUE(Contains(csv.out, "\"Caf\xC3\xA9, \"\"Zum Hirsch\"\"\""));
    EXPECT_TRUE(Contains(csv.out, classic ? ",Business,c1,,,,0\r\n" : ",1979-12-31,Business\r\n"));

    CliRun text = Cli({"dump", path});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* expected : {"1. M\xC3\xBCller, J\xC3\xB6rg  [id 0", "status 0x4, category Business, private]",
                                 "    E-Mail: j@example.org\n", "    Note: line one\n      line two\n"})
        EXPECT_TRUE(Contains(text.out, expected));
    EXPECT_TRUE(Contains(text.out, classic ? "    Address: Hauptstra" : "    Birthday: 1979-12-31\n"));
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, DumpTest, ::testing::Values(Layout::kClassic, Layout::kPalmSg), kLayoutName);

}  // namespace
}  // namespace tarvenne::cli
