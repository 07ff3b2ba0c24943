// --codepage: a Russian user's book converted into a contacts file in Windows-1251 and
// printed back, the same book in the default code page, and the code pages refused.
#include "cli/commands.h"
#include "engine/bounded_text.h"
#include "tests/engine/target_files.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace tarvenne::cli {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    SetTextCodePage(0);  // the tool sets it for its one run; tests share the process
    return {status, out.str(), err.str()};
}

std::string Book() {
    const std::string here = __FILE__;
    std::string path = here.substr(0, here.find_last_of("/\\")) + "/../data/vcard/cyrillic_book.vcf";
#ifdef _WIN32
    if (path[0] == '/') path = "Z:" + path;
#endif
    return path;
}

std::string FileText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = testing::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(CodePage, ACyrillicBookKeepsItsNamesIn1251AndBecomesQuestionMarksIn1252) {
    testing::TestFolder dir;
    const std::string in_1251 = dir.File("ru.dat"), in_1252 = dir.File("default.dat");
    testing::WriteFileBytes(in_1251, testing::PalmSgFileBytes(in_1251, {}));
    testing::WriteFileBytes(in_1252, testing::PalmSgFileBytes(in_1252, {}));

    const CliRun convert = Cli({"convert", Book(), in_1251, "--codepage", "1251"});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_NE(FileText(in_1251).find("\xD1\xEC\xE8\xF0\xED\xEE\xE2\xE0"), std::string::npos);  // Смирнова
    const CliRun dump = Cli({"dump", in_1251, "--codepage", "1251", "--format", "json"});
    ASSERT_EQ(dump.status, 0) << dump.err;
    for (const char* name : {"Смирнова", "Анна", "Кузнецов", "Борис", "Попов", "Виктор"})
        EXPECT_NE(dump.out.find(std::string("\"") + name + "\""), std::string::npos) << name;
    const CliRun diff = Cli({"diff", Book(), in_1251, "--codepage", "1251"});
    EXPECT_NE(diff.out.find("unchanged Анна Смирнова <anna@example.ru>"), std::string::npos) << diff.out;

    // Windows-1252 has no Cyrillic: every letter becomes '?'. (Whether the three people
    // stay three records is the matching's to say.)
    ASSERT_EQ(Cli({"convert", Book(), in_1252}).status, 0);
    EXPECT_NE(FileText(in_1252).find("????????"), std::string::npos);
    EXPECT_EQ(FileText(in_1252).find("\xD1\xEC\xE8\xF0"), std::string::npos);
}

TEST(CodePage, OnlyTheWindowsAnsiCodePagesAreAccepted) {
    for (const char* bad : {"65001", "437", "1259", "abc", ""}) {
        for (const char* command : {"dump", "diff", "convert"}) {
            std::vector<std::string> args = {command, "a.vcf", "b.dat", "--codepage", bad};
            if (std::string(command) == "dump") args.erase(args.begin() + 1);
            const CliRun run = Cli(args);
            EXPECT_EQ(run.status, kExitUsage) << command << " " << bad;
            EXPECT_NE(run.err.find("--codepage"), std::string::npos) << run.err;
        }
    }
}

}  // namespace
}  // namespace tarvenne::cli
