// The output forms of tarvenne-cli: Windows-1252 decoding, JSON strings and documents,
// CSV quoting, and the argument parser.
#include "cli/arguments.h"
#include "cli/output_format.h"
#include "platform/file_version.h"
#include "tests/cli/cli_run.h"
#include "version.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarvenne::cli {
namespace {

TEST(Windows1252, DecodesEveryRangeToUtf8) {
    EXPECT_EQ(Windows1252ToUtf8("plain ASCII ~"), "plain ASCII ~");
    EXPECT_EQ(Windows1252ToUtf8("J\xF6rg M\xFCller"), "J\xC3\xB6rg M\xC3\xBCller");
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");              // euro sign
    EXPECT_EQ(Windows1252ToUtf8("\x93q\x94"), "\xE2\x80\x9Cq\xE2\x80\x9D");  // curly quotes
    EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\xC5\xB8");                  // Y with diaeresis
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xC2\x81");                  // undefined: kept as C1
    EXPECT_EQ(Windows1252ToUtf8("\xA0\xFF"), "\xC2\xA0\xC3\xBF");
    EXPECT_EQ(Windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(JsonString, EscapesQuotesBackslashesAndControls) {
    EXPECT_EQ(JsonString(""), "\"\"");
    EXPECT_EQ(JsonString("say \"hi\" \\o/"), "\"say \\\"hi\\\" \\\\o/\"");
    EXPECT_EQ(JsonString("a\r\nb\tc"), "\"a\\r\\nb\\tc\"");
    EXPECT_EQ(JsonString(std::string("\x01\x1F\x7F", 3)), "\"\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(JsonString(std::string("nul\0", 4)), "\"nul\\u0000\"");
    EXPECT_EQ(JsonString("\xC3\xA9"), "\"\xC3\xA9\"");  // UTF-8 passes through
    EXPECT_EQ(JsonString("</script>"), "\"</script>\"");
}

TEST(JsonWriter, NestsWithCommasAndNumbers) {
    std::ostringstream out;
    JsonWriter j(out);
    j.BeginObject();
    j.Key("a");
    j.Int(-5);
    j.Key("list");
    j.BeginArray();
    j.Number(29221.5);
    j.Number(0.1);
    j.Bool(true);
    j.Text("\xE9");
    j.BeginObject();
    j.EndObject();
    j.BeginArray();
    j.EndArray();
    j.EndArray();
    j.EndObject();
    j.Finish();
    EXPECT_EQ(out.str(),
              "{\n  \"a\": -5,\n  \"list\": [\n    29221.5,\n    0.1,\n    true,\n"
              "    \"\xC3\xA9\",\n    {},\n    []\n  ]\n}\n");
    EXPECT_EQ(JsonNumber(1.0 / 0.0), "null");
    EXPECT_EQ(JsonNumber(0.0), "0");
}

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(CsvField("plain"), "plain");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(CsvField("lf\nonly"), "\"lf\nonly\"");
    EXPECT_EQ(CsvField(" padded"), "\" padded\"");
    EXPECT_EQ(CsvField("semi;colon"), "semi;colon");
}

TEST(Arguments, SwitchesValuesAndErrors) {
    ArgumentSpec accepted;
    accepted.switches = {"--swap-names"};
    accepted.valued = {"--format", "--custom"};
    accepted.repeatable = {"--custom"};
    accepted.min_positionals = 1;
    accepted.max_positionals = 2;

    ParsedArguments p = ParseArguments(
        {"a.dat", "--format", "json", "--swap-names", "--custom=1=Comment", "--custom", "2=x"},
        accepted);
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.positionals, std::vector<std::string>{"a.dat"});
    EXPECT_TRUE(p.Has("--swap-names"));
    EXPECT_EQ(p.Value("--format", "text"), "json");
    EXPECT_EQ(p.values["--custom"], (std::vector<std::string>{"1=Comment", "2=x"}));
    EXPECT_EQ(p.Value("--missing", "def"), "def");

    EXPECT_NE(ParseArguments({}, accepted).error, "");
    EXPECT_NE(ParseArguments({"a", "b", "c"}, accepted).error, "");
    EXPECT_NE(ParseArguments({"a", "--format"}, accepted).error, "");
    EXPECT_NE(ParseArguments({"a", "--format", "x", "--format", "y"}, accepted).error, "");
    EXPECT_NE(ParseArguments({"a", "--bogus"}, accepted).error, "");
    EXPECT_NE(ParseArguments({"a", "--swap-names=1"}, accepted).error, "");
    p = ParseArguments({"--", "--weird-name.dat"}, accepted);
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.positionals, std::vector<std::string>{"--weird-name.dat"});
}

TEST(VersionTest, TheToolSaysTheVersionItsResourceCarries) {
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
