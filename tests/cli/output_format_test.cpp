// The text forms of tarvenne-cli (Windows-1252 decoding, JSON strings and numbers, CSV
// quoting) and the version it reports.
#include "cli/output_format.h"
#include "platform/code_page.h"
#include "platform/file_version.h"
#include "tests/cli/cli_run.h"
#include "version.h"

#include <gtest/gtest.h>

namespace tarvenne::cli {
namespace {

TEST(OutputFormat, TextsAreDecodedEscapedAndQuotedAsTheirFormsAsk) {
    const std::pair<std::string, std::string> decoded[] = {
        {"J\xF6rg M\xFCller ~", "J\xC3\xB6rg M\xC3\xBCller ~"}, {"\x80\x93\x9F", "\xE2\x82\xAC\xE2\x80\x9C\xC5\xB8"},
        {"\x81\xA0\xFF", "\xC2\x81\xC2\xA0\xC3\xBF"},  // an undefined byte stays a C1 control
        {std::string("a\0b", 3), std::string("a\0b", 3)}};
    for (const auto& [ansi, utf8] : decoded) EXPECT_EQ(Windows1252ToUtf8(ansi), utf8);
    const std::pair<std::string, std::string> json[] = {
        {"", "\"\""}, {"say \"hi\" \\o/", "\"say \\\"hi\\\" \\\\o/\""}, {"a\r\nb\tc", "\"a\\r\\nb\\tc\""},
        {std::string("\x01\x7F\0", 3), "\"\\u0001\\u007f\\u0000\""}, {"\xC3\xA9</", "\"\xC3\xA9</\""}};
    for (const auto& [text, quoted] : json) EXPECT_EQ(JsonString(text), quoted);
    EXPECT_EQ(JsonNumber(29221.5) + JsonNumber(0.1) + JsonNumber(0.0) + JsonNumber(1.0 / 0.0), "29221.50.10null");
    const std::pair<std::string, std::string> csv[] = {
        {"plain;semi", "plain;semi"}, {"", ""}, {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""}, {"lf\nonly", "\"lf\nonly\""}, {" padded", "\" padded\""},
        // What a spreadsheet would run stays text; numbers people write stay as they are.
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""}, {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"+1+cmd|' /C calc'!A0", "\"'+1+cmd|' /C calc'!A0\""}, {"-2+3", "-2+3"}, {"- item", "\"'- item\""},
        {"\tx", "\"'\tx\""}, {"\rx", "\"'\rx\""}, {"+49 30 1", "+49 30 1"}, {"+1 (555) 010-0199", "+1 (555) 010-0199"},
        {"-12.5/3", "-12.5/3"}, {"a=b", "a=b"}, {"=", "\"'=\""}, {"-", "-"}};
    for (const auto& [text, field] : csv) EXPECT_EQ(CsvField(text), field) << text;
    // Paths are printed as the system spells them.
#ifdef _WIN32
    if (platform::ActiveAnsiCodePage() == 1252) {
        EXPECT_EQ(SystemTextToUtf8("C:\\M\xFCller"), "C:\\M\xC3\xBCller");
    }
#else
    EXPECT_EQ(SystemTextToUtf8("/home/M\xC3\xBCller/\xE2\x82\xAC.dat"), "/home/M\xC3\xBCller/\xE2\x82\xAC.dat");
    EXPECT_EQ(SystemTextToUtf8("/M\xFCller"), "/M\xEF\xBF\xBDller");  // not UTF-8: no character
#endif
}

TEST(OutputFormat, TheToolSaysTheVersionItsResourceCarries) {
    const CliRun r = Cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "tarvenne-cli " TARVENNE_VERSION_TEXT "\n");
    EXPECT_EQ(Cli({"version"}).out, r.out);
    EXPECT_EQ(Cli({"version", "x"}).status, 2);
#ifdef TARVENNE_CLI_PROGRAM
    platform::FileVersion v;
    ASSERT_TRUE(platform::ReadFileVersion(TARVENNE_CLI_PROGRAM, &v));
    EXPECT_EQ(r.out, "tarvenne-cli " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                         std::to_string(v.build) + "." + std::to_string(v.private_part) + "\n");
#endif
}

}  // namespace
}  // namespace tarvenne::cli
