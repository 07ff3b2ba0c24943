// tarvenne-cli convert and diff from end to end: a vCard address book into contacts files
// of both layouts, a second run that finds nothing to do, an edited card that changes its
// one record, refused and dry runs that leave every byte alone, other code pages, users, and
// the exit codes of every command.
#include "cli/output_format.h"
#include "palminstall/palm_desktop_libraries.h"
#include "palminstall/palm_desktop_locator.h"
#include "platform/module_folder.h"
#include "tests/cli/cli_run.h"
#include "tests/contacts_file_builder.h"
#include "tests/engine/target_file.h"
#include "tests/test_folder.h"
#include "tests/testbed_program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarvenne::cli {
namespace {

using namespace testing;

// Contacts a record cannot all hold as given: a home fax, a web page, a home address (not
// in a classic record), seven phones (five in a classic record), an e-mail longer than a
// phone slot.
const std::string kBookPath = TARVENNE_SOURCE_DIR "/tests/data/vcard/convert_book.vcf", kBook = FileText(kBookPath);

#ifdef _WIN32
const char kTargetName[] = "address.dat";
#else
// A file name in UTF-8, as Linux has it: the reports show it as it is.
const char kTargetName[] = "M\xC3\xBCller address.dat";
#endif

// Every field of every record but the status word (whose update bit a merge sets).
std::vector<std::string> RecordTexts(const std::string& path) {
    std::unique_ptr<AddressFile> file = OpenContactsFile(path);
    std::vector<std::string> texts;
    for (const PalmRecord* r = file->Records().First(); r; r = file->Records().Next()) {
        std::vector<std::string> fields = Positions(*r);
        fields[r->Layout().status].clear();
        texts.push_back(std::accumulate(fields.begin(), fields.end(), std::string(), [](auto t, auto f) { return t + f + "|"; }));
    }
    return texts;
}

class ConvertEndToEnd : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        platform::WriteFileBytes(book, Bytes(kBook));
        // One record that is not in the book, which every run must leave as it is.
        FileOptions o;
        o.stored_name = target;
        platform::WriteFileBytes(target, BuildFile(GetParam(), {RowOf(GetParam(), Person{"Karl", "Kept", "", "", "not in the book", {{1, "+49 1 999"}}})}, o));
    }
    std::string Version() const { return GetParam() == Layout::kClassic ? "40101" : "60001"; }
    CliRun Convert(std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"convert", book, target, "--desktop-version", Version(), "--format", "json"};
        args.insert(args.end(), more.begin(), more.end());
        return Cli(args);
    }

    SettingsFolder dir;
    const std::string book = dir.File("book.vcf");
    const std::string target = dir.File(kTargetName);
};

TEST_P(ConvertEndToEnd, ASecondRunFindsNothingToDoAndAnEditedCardChangesItsRecordOnly) {
    const std::vector<std::string> original = RecordTexts(target);
    const std::vector<std::uint8_t> before = FileBytes(target);
    CliRun first = Convert();
    ASSERT_EQ(first.status, 0) << first.err << first.out;
    for (const auto& [key, value] : {std::pair<const char*, std::string>{"contacts", "6"}, {"new", "6"}, {"added", "6"},
                                     {"saved", "true"}, {"error", "null"}, {"backup", JsonString(target + ".xbk")}})
        EXPECT_EQ(JsonValue(first.out, key), value) << key;
    EXPECT_EQ(FileBytes(target + ".xbk"), before);
    const std::vector<std::string> converted = RecordTexts(target);
    ASSERT_EQ(converted.size(), 7u);
    EXPECT_EQ(converted[0], original[0]);
    // What did not fit is told, and only that.
    EXPECT_TRUE(Contains(first.out, "\"name\": \"Lara Longmail\",\n      \"field\": \"Email Address\",\n"
                                    "      \"length\": 47,\n      \"kept\": 31"));
    EXPECT_TRUE(Contains(first.out, "\"field\": \"Company\",\n      \"length\": 70,\n      \"kept\": 63"));

    const std::vector<std::uint8_t> after_first = FileBytes(target);
    CliRun second = Convert();
    ASSERT_EQ(second.status, 0) << second.err;
    for (const auto& [key, value] : {std::pair<const char*, std::string>{"new", "0"}, {"changed", "0"}, {"unchanged", "6"},
                                     {"selected", "0"}, {"saved", "false"}, {"backup", "null"}})
        EXPECT_EQ(JsonValue(second.out, key), value) << key;
    CliRun all = Convert({"--select", "all"});
    EXPECT_EQ(JsonValue(all.out, "skipped"), "6");
    EXPECT_EQ(FileBytes(target), after_first);

    std::string edited = kBook;
    edited.replace(edited.find("TITLE:Buyer"), 11, "TITLE:Head buyer");
    platform::WriteFileBytes(book, Bytes(edited));
    CliRun third = Convert();
    ASSERT_EQ(third.status, 0) << third.err;
    EXPECT_EQ(JsonValue(third.out, "changed"), "1");
    EXPECT_EQ(JsonValue(third.out, "updated"), "1");
    const std::vector<std::string> after_edit = RecordTexts(target);
    for (std::size_t i = 0; i < converted.size(); ++i)
        EXPECT_EQ(after_edit[i] == converted[i], after_edit[i].find("Head buyer") == std::string::npos) << i;
}

TEST_P(ConvertEndToEnd, RefusedAndDryRunsLeaveTheFileAndTheOldBackupAlone) {
    const std::vector<std::uint8_t> before = FileBytes(target);
    platform::WriteFileBytes(target + ".xbk", Bytes("an earlier backup"));
    const std::string other = GetParam() == Layout::kClassic ? "60001" : "40101";
    CliRun refused = Cli({"convert", book, target, "--desktop-version", other, "--format", "json"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(JsonValue(refused.out, "added"), "6") << "done in memory, then not written";
    EXPECT_EQ(JsonValue(refused.out, "saved"), "false");
    EXPECT_TRUE(Contains(refused.err, "layout; it was not written"));
    CliRun dry = Convert({"--dry-run"});
    EXPECT_EQ(dry.status, 0);
    EXPECT_EQ(JsonValue(dry.out, "added"), "6");
    EXPECT_EQ(JsonValue(dry.out, "saved"), "false");
    CliRun plain = Cli({"convert", book, target, "--dry-run", "--format", "json"});  // no installation: as read
    EXPECT_EQ(JsonValue(plain.out, "write_layout"), JsonValue(plain.out, "read_layout"));
    CliRun dry_refused = Cli({"convert", book, target, "--desktop-version", other, "--dry-run"});
    EXPECT_EQ(dry_refused.status, 1);
    EXPECT_TRUE(Contains(dry_refused.out, "Target:    " + target + " (read as "));
    EXPECT_EQ(FileBytes(target), before);
    EXPECT_EQ(FileBytes(target + ".xbk"), Bytes("an earlier backup"));
}

TEST_P(ConvertEndToEnd, CustomFieldsTakeTheMappedPropertyAndDiffTellsEveryStatus) {
    ASSERT_EQ(Convert({"--custom", "2=Comment", "--custom=4=0x3A16001E"}).status, 0);
    const auto file = OpenContactsFile(target);
    const PalmRecord& erika = *file->Records().At(1);
    EXPECT_EQ(erika.Text(erika.Layout().last_name), "Exact");
    EXPECT_EQ(erika.Text(erika.Layout().custom[1]), "First line\r\nsecond line");
    EXPECT_EQ(erika.Text(erika.Layout().custom[3]), "Exact GmbH");

    const std::string two = dir.File("two.vcf");
    platform::WriteFileBytes(two, Bytes("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Kept;Karl;;;\r\nFN:Karl Kept\r\nTEL;TYPE=HOME:+49 1 999\r\n"
                                        "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xC3\xBCller;Uwe;;;\r\nFN:Uwe M\xC3\xBCller\r\n"
                                        "EMAIL:uwe@example.org\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\n"
                                        "N:Kept;Karl;;;\r\nTEL;TYPE=HOME:+49 1 999\r\nNOTE:another note\\nand a second line that "
                                        "goes on\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n"));
    // Under a changed contact, each field a conversion would write, shortened for the line.
    CliRun diff = Cli({"diff", two, target});
    ASSERT_EQ(diff.status, 0) << diff.err;
    EXPECT_TRUE(Contains(diff.out, "unchanged Karl Kept\nnew       Uwe M\xC3\xBCller <uwe@example.org>\nchanged   Karl Kept\n"
                                   "    Note: not in the book -> another note\\nand a second line that goe...\n3 contacts: "
                                   "1 new, 1 changed, 1 unchanged (" +
                                   std::string(GetParam() == Layout::kClassic ? "classic" : "palmsg") + " file " + target +
                                   ")\n1 cards without a value to convert were skipped\n"));
    CliRun brief = Cli({"diff", two, target, "--brief"});
    EXPECT_FALSE(Contains(brief.out, "    Note:"));
    EXPECT_TRUE(Contains(brief.out, "changed   Karl Kept\n3 contacts:"));
    // JSON: what a changed contact's fields hold now and would hold, and a new record's fields.
    CliRun json = Cli({"diff", two, target, "--format", "json"});
    EXPECT_TRUE(Contains(json.out, "\"status\": \"new\",\n      \"fields\": [\n        {\n          \"field\": \"First Name\",\n"
                                   "          \"value\": \"Uwe\"\n        },\n        {\n          \"field\": \"Last Name\",\n"
                                   "          \"value\": \"M\xC3\xBCller\"\n        },\n        {\n          \"field\": \"E-Mail\",\n"
                                   "          \"value\": \"uwe@example.org\"\n        }\n      ]"));
    EXPECT_TRUE(Contains(json.out, "\"changes\": [\n        {\n          \"field\": \"Note\",\n          \"from\": \"not in "
                                   "the book\",\n          \"to\": \"another note\\r\\nand a second line that goes on\"\n        }\n      ]"));
    EXPECT_EQ(json.out.find("\"changes\"", json.out.find("\"unchanged\"")), json.out.rfind("\"changes\"")) << "one changed";
    EXPECT_EQ(JsonValue(json.out, "skipped_cards"), "1");

    // The custom fields take part in marking: a field mapped anew makes its contacts changed,
    // and converting with the mapping in force leaves nothing to do.
    CliRun same = Cli({"diff", book, target, "--custom", "2=Comment", "--custom=4=0x3A16001E"});
    EXPECT_TRUE(Contains(same.out, "6 contacts: 0 new, 0 changed, 6 unchanged"));
    CliRun remapped = Cli({"diff", book, target, "--custom", "2=Title", "--brief"});
    EXPECT_TRUE(Contains(remapped.out, "changed   Erika Exact"));
    ASSERT_EQ(Convert({"--custom", "2=Title"}).status, 0);
    CliRun after = Cli({"diff", book, target, "--custom", "2=Title"});
    EXPECT_TRUE(Contains(after.out, " 0 new, 0 changed, 6 unchanged"));
}

// Cards shaped as Outlook 2003 exports them (a fax and a pager on the Business tab, three
// e-mail addresses, a third work phone, a second fax, address and web page), two desks of
// one company and a card that holds nothing: every value a record keeps but cut, or has no
// room for, is told in the cut list under its property's name; the desks stay two records.
// Which slot each value takes is the edit list's test, a second run the first test here.
TEST_P(ConvertEndToEnd, EveryValueNotKeptWholeIsReported) {
    platform::WriteFileBytes(book, Bytes(FileText(TARVENNE_SOURCE_DIR "/tests/data/vcard/outlook_2003.vcf") +
                                         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:;;;;\r\nFN:Acme GmbH\r\nORG:Acme GmbH\r\n"
                                         "TEL;WORK;VOICE:222\r\nEMAIL;PREF;INTERNET:support@acme.example\r\nEND:VCARD\r\n"
                                         "BEGIN:VCARD\r\nVERSION:2.1\r\nEND:VCARD\r\n"));
    CliRun first = Convert();
    ASSERT_EQ(first.status, 0) << first.err << first.out;
    EXPECT_EQ(JsonValue(first.out, "added"), "4");
    EXPECT_EQ(JsonValue(first.out, "skipped_cards"), "1");
    const bool classic = GetParam() == Layout::kClassic;
    std::string cut;
    for (std::size_t at = first.out.find("\"field\": "); at != std::string::npos; at = first.out.find("\"field\": ", at + 1))
        cut += JsonValue(first.out.substr(at), "field") + " " + JsonValue(first.out.substr(at), "kept") + ", ";
    EXPECT_EQ(cut, std::string("\"Email Address\" 31, ") + (classic ? "\"Pager No.\" 0, \"Email Address\" 0, " : "") +
                       "\"Email Address\" 0, \"Business Phone 2\" 0, \"Business Telephone No.\" 0, \"Business Fax\" 0, " +
                       (classic ? "\"Business Homepage\" 0, " : "") +
                       "\"Street ( Business )\" 0, \"Business Homepage\" 0, ");
}

#ifndef _WIN32
// Another program writing the target while the book is read (from a pipe, slowly): its bytes
// are kept, and the backup of the last good save. Which changes count is the job's test.
TEST_P(ConvertEndToEnd, AFileWrittenWhileTheBookIsReadIsNotOverwritten) {
    std::vector<std::uint8_t> retitled = FileBytes(target);
    *std::search(retitled.begin(), retitled.end(), "Kept", "Kept" + 4) = 'k';
    platform::WriteFileBytes(target + ".xbk", Bytes("the last good backup"));
    const std::string pipe = dir.File("slow.vcf");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // The tool opens the book after it has read the target: the other program writes then.
    std::thread other([&] {
        std::ofstream book_pipe(pipe, std::ios::binary);
        platform::WriteFileBytes(target, retitled);
        book_pipe << kBook;
    });
    const CliRun r = Cli({"convert", pipe, target, "--desktop-version", Version(), "--format", "json"});
    const int release = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);  // in case the tool never opened it
    other.join();
    ::close(release);
    EXPECT_EQ(JsonValue(r.out, "added"), "6");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(JsonValue(r.out, "saved"), "false");
    EXPECT_TRUE(Contains(r.err, "changed by another program (Palm Desktop or HotSync) since it was opened"));
    EXPECT_TRUE(FileBytes(target) == retitled);
    EXPECT_EQ(FileBytes(target + ".xbk"), Bytes("the last good backup"));
}

// Output that cannot be written fails every command; convert says whether it saved the file.
TEST_P(ConvertEndToEnd, OutputThatCannotBeWrittenFailsEveryCommand) {
    const std::vector<std::string> convert = {"convert", book, target, "--desktop-version", Version()};
    const auto with = [](std::vector<std::string> args, std::initializer_list<std::string> more) {
        args.insert(args.end(), more);
        return args;
    };
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"version"}, 1, "tarvenne-cli version: the output could not be written"},
        {{"--help"}, 1, "tarvenne-cli --help: the output could not be written"},
        {{"users", "--format", "json"}, 1, "tarvenne-cli users: the output could not be written"},
        {{"dump", target}, 1, "tarvenne-cli dump: the output could not be written"},
        {{"dump", target, "--format", "json"}, 1, "the output could not be written"},
        {{"dump", target, "--format", "csv"}, 1, "the output could not be written"},
        {{"diff", book, target}, 1, "tarvenne-cli diff: the output could not be written"},
        {{"export", target}, 1, "tarvenne-cli export: write failed for \"standard output\""},
        {with(convert, {"--dry-run"}), 1, "tarvenne-cli convert: the report could not be written"},
        {with(convert, {"--format", "json"}), 4, "tarvenne-cli convert: saved; the report could not be written"},
        {convert, 1, "tarvenne-cli convert: the report could not be written"},  // nothing left to do
    };
    for (const Case& c : cases) {
        std::ofstream full("/dev/full", std::ios::binary);
        ASSERT_TRUE(full.is_open());
        const CliRun r = Cli(c.args, &full);
        EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args.back() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(RecordTexts(target).size(), 7u) << "saved by the run whose report was lost";
}
#endif

#ifdef TARVENNE_TESTBED_PALM
// Palm Desktop would write its own copy back when it closes: a conversion that would write is
// refused while it runs, unless told otherwise; HotSync Manager is no reason to refuse.
TEST_P(ConvertEndToEnd, PalmDesktopRunningRefusesAConversionThatWritesUnlessIgnoredAndHotSyncDoesNot) {
    const std::vector<std::uint8_t> before = FileBytes(target);
    struct Case {
        const char* program;  // kept running during the conversion; empty: none
        std::vector<std::string> more;
        int status;
        bool saved;
    } cases[] = {
        {TARVENNE_TESTBED_PALM, {}, 1, false},
        {"", {}, 0, true},  // once it has ended
        {TARVENNE_TESTBED_PALM, {"--dry-run"}, 0, false},
        {TARVENNE_TESTBED_PALM, {"--ignore-running"}, 0, true},
        {TARVENNE_TESTBED_HOTSYNC, {}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program) + (c.more.empty() ? "" : " " + c.more[0]));
        platform::WriteFileBytes(target, before);
        std::unique_ptr<RunningTestbedProgram> running;
        if (*c.program) running = std::make_unique<RunningTestbedProgram>(WinPath(c.program));
        ASSERT_TRUE(!running || running->Started());
        const CliRun r = Convert(c.more);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(JsonValue(r.out, "saved"), c.saved ? "true" : "false");
        EXPECT_EQ(FileBytes(target) != before, c.saved);
        EXPECT_EQ(r.err.find(kPalmDesktopRunningMessage) != std::string::npos, c.status == 1) << r.err;
    }
}
#endif

INSTANTIATE_TEST_SUITE_P(BothLayouts, ConvertEndToEnd, ::testing::Values(Layout::kClassic, Layout::kPalmSg), kLayoutName);

// Every command's usage errors and unreadable inputs: the exit code, the reason, no output,
// and no file written.
TEST(ConvertUsageTest, UnreadableInputsAndBadUsage) {
    SettingsFolder dir;
    const std::string book = kBookPath, target = dir.File("classic.dat"), garbage = dir.File("garbage.dat");
    const std::string cut = dir.File("cut.dat"), out = dir.File("out.vcf");
    platform::WriteFileBytes(target, BuildFile(Layout::kClassic, {}));
    platform::WriteFileBytes(garbage, Bytes("not a contacts file at all"));
    platform::WriteFileBytes(dir.File("notes.txt"), Bytes("hello\r\n"));
    // A file a crash left cut, with its good backup beside it: the message says where that is.
    const std::vector<std::uint8_t> good = BuildFile(Layout::kPalmSg, {Row(Layout::kPalmSg)});
    platform::WriteFileBytes(cut, {good.begin(), good.begin() + 100});
    platform::WriteFileBytes(cut + ".xbk", good);
    const std::string restore = "A backup from " + platform::ModifiedTimeText(cut + ".xbk") + " is at " + cut +
                                ".xbk; copy it over the file to restore it.";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;  // part of what standard error must say
    } cases[] = {
        {{"convert", book, garbage}, 3, "Invalid Palm Desktop contacts file"},
        {{"diff", book, dir.File("missing.dat")}, 3, "Invalid Palm Desktop contacts file"},
        {{"convert", dir.File("missing.vcf"), target}, 3, "nothing exists"},
        {{"convert", dir.File("notes.txt"), target}, 3, "cannot read the address book"},
        {{"convert", "@current", target}, 3, "current user's address book"},
        {{"convert", book}, 2, "missing argument"},
        {{"convert", book, target, "extra"}, 2, "unexpected argument"},
        {{"convert", book, target, "--select", "some"}, 2, "unknown selection"},
        {{"convert", book, target, "--desktop-version", "4.1"}, 2, "not a version number"},
        {{"convert", book, target, "--custom", "10=Comment"}, 2, "N from 1 to 9"},
        {{"convert", book, target, "--custom", "1=0x0FFF0102"}, 2, "not a text property"},
        {{"convert", book, target, "--format", "csv"}, 2, "unknown format"},
        {{"diff", book, target, "--dry-run"}, 2, "unknown option --dry-run"},
        {{"convert", book, target, "--dry-run=1"}, 2, "--dry-run takes no value"},
        {{"convert", book, target, "--format"}, 2, "--format needs a value"},
        {{"convert", book, target, "--format", "json", "--format=text"}, 2, "--format is given twice"},
        {{"diff", book, "--", "--missing.dat"}, 3, "Invalid Palm Desktop contacts file"},
        {{"users", "extra"}, 2, "unexpected argument"},
        {{"dump"}, 2, "missing argument"},
        {{"dump", garbage, "--format", "xml"}, 2, "unknown format"},
        {{"dump", "@user:x"}, 2, "not @user:ID"},
        // IDs and custom fields are decimal as typed, leading zeros and all; @user: takes every
        // id `users` prints, negative ones too, and nothing else.
        {{"dump", "@user:010"}, 3, "folder of user 10 is not known"},
        {{"dump", "@user:08"}, 3, "folder of user 8 is not known"},
        {{"dump", "@user:-2147483648"}, 3, "folder of user -2147483648 is not known"},
        {{"export", "@user:2147483647"}, 3, "folder of user 2147483647 is not known"},
        {{"dump", "@user:2147483648"}, 2, "not @user:ID"},
        {{"dump", "@user:0x10"}, 2, "not @user:ID"},
        {{"dump", "@user:+1"}, 2, "not @user:ID"},
        {{"dump", "@user:"}, 2, "not @user:ID"},
        {{"dump", "@user: 1"}, 2, "not @user:ID"},
        {{"diff", book, dir.File("missing.dat"), "--custom", "09=Comment"}, 3, "Invalid Palm Desktop contacts file"},
        {{"convert", book, target, "--custom", "010=Comment"}, 2, "N from 1 to 9"},
        {{"convert", book, target, "--custom", "0x1=Comment"}, 2, "N from 1 to 9"},
        {{"convert", book, target, "--custom", "-1=Comment"}, 2, "N from 1 to 9"},
        {{"convert", book, target, "--ignore-running=yes"}, 2, "--ignore-running takes no value"},
        {{"diff", book, target, "--ignore-running"}, 2, "unknown option --ignore-running"},
        {{"dump", garbage}, 3, "Classic layout: not a classic contacts file. Newer layout: not a PalmSG"},
        {{"dump", cut}, 3, restore},
        {{"export", cut}, 3, restore},
        {{"export", cut, "--output", out}, 3, restore},
        // A system error comes with the system's own words.
        {{"dump", dir.File("nosuch.dat")}, 3, ": " + platform::SystemErrorText(2) + " (system error 2)"},
        {{"export"}, 2, "missing argument"},
        {{"export", target, "--vcard", "2.1"}, 2, "3.0 or 4.0"},
        {{"export", target, "--output", target}, 2, "is the contacts file itself"},
        {{"export", target, "--output", dir.File("none") + platform::kPathSeparator + "x.vcf"}, 1, "cannot write"},
        // Only the Windows ANSI code pages, in every command that reads or writes texts.
        {{"convert", book, target, "--codepage", "65001"}, 2, "--codepage \"65001\" is not a Windows ANSI"},
        {{"diff", book, target, "--codepage", "1259"}, 2, "--codepage \"1259\" is not"},
        {{"dump", target, "--codepage", "437"}, 2, "--codepage \"437\" is not"},
        {{"export", target, "--codepage="}, 2, "--codepage \"\" is not"},
    };
    for (const Case& c : cases) {
        CliRun r = Cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << "\n" << r.err;
        EXPECT_TRUE(Contains(r.err, c.message)) << c.args.back();
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(FileBytes(target), BuildFile(Layout::kClassic, {}));
    EXPECT_FALSE(platform::PathExists(target + ".xbk") || platform::PathExists(out) || platform::PathExists(dir.File("none")));
#ifndef _WIN32
    EXPECT_EQ(platform::SystemErrorText(2), "No such file or directory");
#endif
}

// --codepage: a Russian user's book converted into a contacts file in Windows-1251 and
// printed back; the same book in the default code page, where every name reads '?', each
// person must still get a record of their own, and the tool suggests --codepage 1251.
TEST(CodePage, ACyrillicBookKeepsItsNamesIn1251AndEveryPersonIn1252) {
    const std::string book = TARVENNE_SOURCE_DIR "/tests/data/vcard/cyrillic_book.vcf";
    SettingsFolder dir;
    const std::string in_1251 = dir.File("ru.dat"), in_1252 = dir.File("default.dat");
    for (const std::string& path : {in_1251, in_1252})
        ASSERT_TRUE(platform::WriteFileBytes(path, BuildFile(Layout::kPalmSg, {})));
    const CliRun convert = Cli({"convert", book, in_1251, "--codepage", "1251", "--desktop-version", "60001"});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_TRUE(Contains(FileText(in_1251), "\xD1\xEC\xE8\xF0\xED\xEE\xE2\xE0"));  // Смирнова
    const CliRun dump = Cli({"dump", in_1251, "--codepage", "1251", "--format", "json"});
    ASSERT_EQ(dump.status, 0) << dump.err;
    for (const char* name : {"Смирнова", "Анна", "Кузнецов", "Борис", "Попов", "Виктор", "Иванов", "Петров"})
        EXPECT_TRUE(Contains(dump.out, std::string("\"") + name + "\""));
    EXPECT_TRUE(Contains(Cli({"export", in_1251, "--codepage", "1251"}).out, "FN:Анна Смирнова\r\n"));
    const CliRun diff = Cli({"diff", book, in_1251, "--codepage", "1251"});
    EXPECT_TRUE(Contains(diff.out, "unchanged Анна Смирнова <anna@example.ru>"));
    EXPECT_EQ(diff.err, "");

    // Windows-1252 has no Cyrillic: Олег Иванов and Иван Петров both read "???? ??????",
    // and still become two records, and a second run finds nothing to do.
    const CliRun in_default = Cli({"convert", book, in_1252, "--desktop-version", "60001", "--format", "json"});
    ASSERT_EQ(in_default.status, 0) << in_default.err;
    EXPECT_EQ(JsonValue(in_default.out, "added"), "5");
    EXPECT_EQ(PalmSgAddressFile(in_1252).Records().Count(), 5u);
    EXPECT_FALSE(Contains(FileText(in_1252), "\xD1\xEC\xE8\xF0"));
    // The tool says so, and which code page would keep the names.
    const std::string advice = "112 characters of the address book have no letter in code page 1252 and become '?'; "
                               "most of them are Cyrillic: try --codepage 1251\n";
    EXPECT_EQ(in_default.err, "tarvenne-cli convert: " + advice);
    EXPECT_EQ(Cli({"diff", book, in_1252}).err, "tarvenne-cli diff: " + advice);
    const CliRun again = Cli({"convert", book, in_1252, "--desktop-version", "60001", "--format", "json"});
    EXPECT_EQ(JsonValue(again.out, "unchanged"), "5");
}

// A user library of two users, the second one's folder holding a classic contacts file.
std::string g_root;
std::int32_t Put(char* buffer, std::int16_t* size, const std::string& text) {
    return static_cast<std::size_t>(*size) > text.size() &&
           std::snprintf(buffer, static_cast<std::size_t>(*size), "%s", text.c_str()) > 0;
}

TEST(UsersTest, UsersAndUserTargetsGoThroughPalmDesktopsUserLibrary) {
    SettingsFolder dir;
    const std::string book = kBookPath;
    CliRun none = Cli({"users", "--format", "json"});
    EXPECT_EQ(none.out, "{\n  \"users\": []\n}\n");
    EXPECT_NE(none.err.find("UserData.dll"), std::string::npos);
    EXPECT_EQ(Cli({"convert", book, "@user:42"}).status, 3);

    g_root = dir.File("");
    UserDataEntryPoints calls;
    calls.UmGetRootDirectory = [](char* b, std::int16_t* size) { return Put(b, size, g_root); };
    calls.UmGetUserDirectory = [](std::uint32_t id, char* b, std::int16_t* n) {
        return Put(b, n, id == 1 ? "AdamsA" : "MuellerJ");
    };
    calls.UmGetUserCount = []() -> std::int16_t { return 2; };
    calls.UmGetUserID = [](std::int16_t index, std::uint32_t* id) { return (*id = index == 0 ? 1u : 42u), 1; };
    calls.UmGetUserName = [](std::uint32_t id, char* b, std::int16_t* n) {
        return Put(b, n, id == 1 ? "Ann Adams" : "J\xF6rg M\xFCller");
    };
    SetUserDataEntryPointsForTesting(calls);
    CliRun text = Cli({"users"});
    const std::string folder = dir.File("MuellerJ") + platform::kPathSeparator + "address";
    std::filesystem::create_directories(folder);
    const std::string target = folder + platform::kPathSeparator + "address.dat";
    platform::WriteFileBytes(target, BuildFile(Layout::kClassic, {}));
    CliRun convert = Cli({"convert", book, "@user:42", "--desktop-version", "40101", "--format", "json"});
    UnloadLibraries(kUserDataLibrary);

    EXPECT_EQ(text.out, "@user:1  Ann Adams  (AdamsA)\n@user:42  J\xC3\xB6rg M\xC3\xBCller  (MuellerJ)\n");
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_EQ(JsonValue(convert.out, "target"), JsonString(Windows1252ToUtf8(target)));
    EXPECT_EQ(JsonValue(convert.out, "added"), "6");
}

}  // namespace
}  // namespace tarvenne::cli
