// --codepage: a Russian user's book converted into a contacts file in Windows-1251 and
// printed back; the same book in the default code page, where every name reads '?', each
// person must still get a record of their own, and the tool suggests --codepage 1251.
#include "palmfile/palmsg_address_file.h"
#include "platform/file_system.h"
#include "tests/cli/cli_run.h"
#include "tests/contacts_file_builder.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

namespace tarvenne::cli {
namespace {

const std::string kBook = TARVENNE_SOURCE_DIR "/tests/data/vcard/cyrillic_book.vcf";

TEST(CodePage, ACyrillicBookKeepsItsNamesIn1251AndEveryPersonIn1252) {
    testing::SettingsFolder dir;
    const std::string in_1251 = dir.File("ru.dat"), in_1252 = dir.File("default.dat");
    for (const std::string& path : {in_1251, in_1252})
        ASSERT_TRUE(platform::WriteFileBytes(path, testing::BuildFile(testing::Layout::kPalmSg, {})));

    const CliRun convert = Cli({"convert", kBook, in_1251, "--codepage", "1251", "--desktop-version", "60001"});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_NE(testing::FileText(in_1251).find("\xD1\xEC\xE8\xF0\xED\xEE\xE2\xE0"), std::string::npos);  // Смирнова
    const CliRun dump = Cli({"dump", in_1251, "--codepage", "1251", "--format", "json"});
    ASSERT_EQ(dump.status, 0) << dump.err;
    for (const char* name : {"Смирнова", "Анна", "Кузнецов", "Борис", "Попов", "Виктор", "Иванов", "Петров"})
        EXPECT_NE(dump.out.find(std::string("\"") + name + "\""), std::string::npos) << name;
    const CliRun exported = Cli({"export", in_1251, "--codepage", "1251"});
    EXPECT_NE(exported.out.find("FN:Анна Смирнова\r\n"), std::string::npos) << exported.out;
    const CliRun diff = Cli({"diff", kBook, in_1251, "--codepage", "1251"});
    EXPECT_NE(diff.out.find("unchanged Анна Смирнова <anna@example.ru>"), std::string::npos) << diff.out;
    EXPECT_EQ(diff.err, "");

    // Windows-1252 has no Cyrillic: Олег Иванов and Иван Петров both read "???? ??????",
    // and still become two records, and a second run finds nothing to do.
    const CliRun in_default = Cli({"convert", kBook, in_1252, "--desktop-version", "60001", "--format", "json"});
    ASSERT_EQ(in_default.status, 0) << in_default.err;
    EXPECT_EQ(JsonValue(in_default.out, "added"), "5");
    EXPECT_EQ(PalmSgAddressFile(in_1252).Records().Count(), 5u);
    EXPECT_EQ(testing::FileText(in_1252).find("\xD1\xEC\xE8\xF0"), std::string::npos);
    // The tool says so, and which code page would keep the names.
    const std::string advice = "112 characters of the address book have no letter in code page 1252 and become '?'; "
                               "most of them are Cyrillic: try --codepage 1251\n";
    EXPECT_EQ(in_default.err, "tarvenne-cli convert: " + advice);
    EXPECT_EQ(Cli({"diff", kBook, in_1252}).err, "tarvenne-cli diff: " + advice);
    const CliRun again = Cli({"convert", kBook, in_1252, "--desktop-version", "60001", "--format", "json"});
    EXPECT_EQ(JsonValue(again.out, "unchanged"), "5");
}

}  // namespace
}  // namespace tarvenne::cli
