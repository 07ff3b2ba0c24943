// tarvenne-cli convert and diff from end to end: a vCard address book into contacts files
// of both layouts, repeated runs that must append nothing and change no record text,
// refused and dry runs that must leave every byte alone, and the exit codes.
#include "cli/commands.h"
#include "cli/output_format.h"
#include "palminstall/palm_desktop_libraries.h"
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"
#include "platform/file_system.h"
#include "platform/module_folder.h"
#include "tests/engine/target_files.h"
#include "tests/test_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace tarvenne::cli {
namespace {

using testing::ReadFileBytes;
using testing::TestFolder;
using testing::WriteFileBytes;

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

// The value of a number or literal key of the convert report's JSON (one key a line).
std::string JsonValue(const std::string& json, const std::string& key) {
    const std::string needle = "\"" + key + "\": ";
    const std::size_t at = json.find(needle);
    if (at == std::string::npos) return "<missing " + key + ">";
    const std::size_t from = at + needle.size();
    // Strings run to their closing quote (the reports hold no escaped quotes).
    const std::size_t end = json[from] == '"' ? json.find('"', from + 1) + 1
                                              : json.find_first_of(",\n", from);
    return json.substr(from, end - from);
}

// Six contacts: Exact fits every layout as given; the others carry what a Palm record
// cannot give back as it was read (a home fax comes back as the fax, a web page is never
// written, a classic record has no home address, the home fax loses to the fax for the
// one fax label and a classic record drops main and mobile, an e-mail longer than a
// phone slot is cut).
const char kBook[] =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Exact;Erika;;;\r\nFN:Erika Exact\r\nORG:Exact GmbH\r\n"
    "TITLE:Buyer\r\nTEL;TYPE=WORK:+49 30 100\r\nEMAIL:erika@exact.example\r\n"
    "ADR;TYPE=WORK:;;Hauptstra\xC3\x9F" "e 1;Berlin;;10115;Germany\r\n"
    "NOTE:First line\\nsecond line\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Faxer;Hanna\r\nTEL;HOME;FAX:+49 30 200\r\n"
    "TEL;HOME:+49 30 201\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Webb;Walter;;;\r\nTEL;TYPE=CELL:+1 555 0300\r\n"
    "URL:http\\://webb.example/\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Homer;Hilde;;;\r\nTEL;TYPE=HOME:+49 40 400\r\n"
    "ADR;TYPE=HOME:;;Elbchaussee 4;Hamburg;;22763;Germany\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Phones;Paul\r\nTEL;WORK:+1 555 0501\r\n"
    "TEL;HOME:+1 555 0502\r\nTEL;CELL:+1 555 0503\r\nTEL;PREF:+1 555 0504\r\n"
    "TEL:+1 555 0505\r\nTEL;FAX:+1 555 0506\r\nTEL;FAX;HOME:+1 555 0507\r\n"
    "EMAIL:paul@phones.example\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Longmail;Lara;;;\r\nTEL;TYPE=WORK:+1 555 0600\r\n"
    "EMAIL:lara.longmail@a-rather-long-domain-name.example\r\nEND:VCARD\r\n";

// A phone slot as the user sees it: an empty slot shows nothing, whatever its label. (A
// merge may relabel an empty slot: a label the contact has no value for takes the first
// empty slot, and with one slot filled by a later label that is another slot than the
// first run used.)
std::string Slot(std::int32_t label, const std::string& text) {
    return text.empty() ? std::string("-") : std::to_string(label) + ":" + text;
}

// Every text and number of every record except the status word, whose update bit a merge
// sets: what "no record text changed" compares.
std::vector<std::string> RecordTexts(const std::string& path) {
    std::vector<std::string> texts;
    ClassicAddressFile classic;
    if (classic.Load(path)) {
        for (std::uint32_t i = 0; i < classic.Records().Count(); ++i) {
            const ClassicRecord& r = *classic.Records().Get(i);
            std::string t = std::to_string(r.record_id) + "|" + std::to_string(r.placement) +
                            "|" + r.last_name + "|" + r.first_name + "|" + r.title + "|" +
                            r.company;
            for (int p = 0; p < ClassicRecord::kPhones; ++p)
                t += "|" + Slot(r.phone_label[p], r.phone[p]);
            t += "|" + r.address + "|" + r.city + "|" + r.state + "|" + r.zip + "|" + r.country +
                 "|" + r.note + "|" + std::to_string(r.is_private) + "|" +
                 std::to_string(r.category_id);
            for (const std::string& c : r.custom) t += "|" + c;
            texts.push_back(t);
        }
        return texts;
    }
    PalmSgAddressFile palmsg;
    if (!palmsg.Load(path)) return {"<unreadable>"};
    for (std::uint32_t i = 0; i < palmsg.Records().Count(); ++i) {
        const PalmSgRecord& r = *palmsg.Records().Get(i);
        std::string t = std::to_string(r.record_id) + "|" + std::to_string(r.record_number) +
                        "|" + std::to_string(r.entry_index) + "|" + std::to_string(r.placement) +
                        "|" + r.first_name + "|" + r.last_name + "|" + r.title + "|" +
                        r.company + "|" + r.note;
        for (int p = 0; p < PalmSgRecord::kPhones; ++p)
            t += "|" + Slot(r.phone_label[p], r.phone[p]);
        for (const std::string& c : r.custom) t += "|" + c;
        for (const PalmSgAddress& a : r.address)
            t += "|" + std::to_string(a.kind) + ":" + a.street + "," + a.city + "," + a.state +
                 "," + a.zip + "," + a.country;
        t += "|" + r.web_page + "|" + std::to_string(r.birthday_bits);
        texts.push_back(t);
    }
    return texts;
}

class ConvertEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetSettingsFileForTesting(dir.File("none.ini"));
        book = dir.File("book.vcf");
        WriteFileBytes(book, testing::Bytes(kBook));
    }
    void TearDown() override { platform::SetSettingsFileForTesting(""); }

    // A target holding one record that is not in the book, so records that must stay
    // untouched are there from the start.
    std::string ClassicTarget() {
        const std::string path = dir.File("classic.dat");
        ClassicRecord kept;
        kept.record_id = 7;
        kept.placement = 1;
        kept.last_name = "Kept";
        kept.first_name = "Karl";
        kept.phone_label[0] = 1;
        kept.phone[0] = "+49 1 999";
        kept.note = "not in the address book";
        WriteFileBytes(path, testing::ClassicFileBytes(path, {kept}));
        return path;
    }
    std::string PalmSgTarget() {
        const std::string path = dir.File("palmsg.dat");
        PalmSgRecord kept;
        kept.record_id = 7;
        kept.record_number = 0x1000;
        kept.last_name = "Kept";
        kept.first_name = "Karl";
        kept.phone_label[0] = 1;
        kept.phone[0] = "+49 1 999";
        for (int b = 0; b < 4; ++b) kept.blob[b].w0 = 64 + b;
        kept.address[1].kind = 1;
        kept.address[2].kind = 2;
        WriteFileBytes(path, testing::PalmSgFileBytes(path, {kept}));
        return path;
    }

    TestFolder dir;
    std::string book;
};

struct LayoutCase {
    const char* version;
    bool classic;
    int always_differing;  // contacts the layout cannot give back as read
};

void RepeatedRunsAppendNothing(ConvertEndToEnd& t, const std::string& target, const LayoutCase& c,
                               const std::string& book) {
    SCOPED_TRACE(target);
    const std::vector<std::string> original = RecordTexts(target);
    ASSERT_EQ(original.size(), 1u);

    CliRun first = Cli({"convert", book, target, "--desktop-version", c.version, "--format", "json"});
    ASSERT_EQ(first.status, 0) << first.err << first.out;
    EXPECT_EQ(JsonValue(first.out, "read_layout"), c.classic ? "\"classic\"" : "\"palmsg\"");
    EXPECT_EQ(JsonValue(first.out, "write_layout"), JsonValue(first.out, "read_layout"));
    EXPECT_EQ(JsonValue(first.out, "contacts"), "6");
    EXPECT_EQ(JsonValue(first.out, "new"), "6");
    EXPECT_EQ(JsonValue(first.out, "added"), "6");
    EXPECT_EQ(JsonValue(first.out, "saved"), "true");
    EXPECT_EQ(JsonValue(first.out, "backup"), JsonString(target + ".xbk"));
    EXPECT_EQ(JsonValue(first.out, "error"), "null");
    // The backup is the file as it was before this run.
    const std::vector<std::uint8_t> after_first = ReadFileBytes(target);
    const std::vector<std::string> texts_first = RecordTexts(target);
    ASSERT_EQ(texts_first.size(), 7u);
    EXPECT_EQ(texts_first[0], original[0]);

    const std::string changed = std::to_string(c.always_differing);
    const std::string unchanged = std::to_string(6 - c.always_differing);
    CliRun second = Cli({"convert", book, target, "--desktop-version", c.version, "--format", "json"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(JsonValue(second.out, "new"), "0");
    EXPECT_EQ(JsonValue(second.out, "changed"), changed);
    EXPECT_EQ(JsonValue(second.out, "unchanged"), unchanged);
    EXPECT_EQ(JsonValue(second.out, "selected"), changed);
    EXPECT_EQ(JsonValue(second.out, "added"), "0");
    EXPECT_EQ(JsonValue(second.out, "updated"), changed);
    EXPECT_EQ(JsonValue(second.out, "saved"), "true");
    EXPECT_EQ(RecordTexts(target), texts_first);
    EXPECT_EQ(ReadFileBytes(target + ".xbk"), after_first);

    // All of them: the exact ones are skipped, the rest merged again to the same texts.
    CliRun all = Cli({"convert", book, target, "--desktop-version", c.version, "--select", "all",
                      "--format", "json"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(JsonValue(all.out, "selected"), "6");
    EXPECT_EQ(JsonValue(all.out, "skipped"), unchanged);
    EXPECT_EQ(JsonValue(all.out, "updated"), changed);
    EXPECT_EQ(JsonValue(all.out, "added"), "0");
    EXPECT_EQ(RecordTexts(target), texts_first);

    // One card edited: exactly its record changes.
    std::string edited = kBook;
    const std::size_t at = edited.find("TITLE:Buyer");
    ASSERT_NE(at, std::string::npos);
    edited.replace(at, 11, "TITLE:Head buyer");
    WriteFileBytes(book, testing::Bytes(edited));
    CliRun after_edit = Cli({"convert", book, target, "--desktop-version", c.version, "--format", "json"});
    ASSERT_EQ(after_edit.status, 0) << after_edit.err;
    EXPECT_EQ(JsonValue(after_edit.out, "changed"), std::to_string(c.always_differing + 1));
    EXPECT_EQ(JsonValue(after_edit.out, "added"), "0");
    const std::vector<std::string> texts_edited = RecordTexts(target);
    ASSERT_EQ(texts_edited.size(), texts_first.size());
    int differing_records = 0;
    for (std::size_t i = 0; i < texts_first.size(); ++i) {
        if (texts_edited[i] == texts_first[i]) continue;
        ++differing_records;
        EXPECT_NE(texts_edited[i].find("Head buyer"), std::string::npos) << texts_edited[i];
        EXPECT_NE(texts_edited[i].find("Exact"), std::string::npos) << texts_edited[i];
    }
    EXPECT_EQ(differing_records, 1);
    WriteFileBytes(book, testing::Bytes(kBook));
}

TEST_F(ConvertEndToEnd, RepeatedRunsIntoAClassicFileAppendNothingAndChangeNoText) {
    // Classic: home fax, web page, home address, phones, long e-mail.
    RepeatedRunsAppendNothing(*this, ClassicTarget(), {"40101", true, 5}, book);
}

TEST_F(ConvertEndToEnd, RepeatedRunsIntoANewerFileAppendNothingAndChangeNoText) {
    // Newer: the home address fits; home fax, web page, phones and long e-mail do not.
    RepeatedRunsAppendNothing(*this, PalmSgTarget(), {"60001", false, 4}, book);
}

TEST_F(ConvertEndToEnd, WithoutAnInstallationTheFileIsWrittenInTheLayoutItWasReadIn) {
    for (const std::string& target : {ClassicTarget(), PalmSgTarget()}) {
        CliRun r = Cli({"convert", book, target, "--format", "json"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(JsonValue(r.out, "write_layout"), JsonValue(r.out, "read_layout"));
        EXPECT_EQ(JsonValue(r.out, "saved"), "true");
        EXPECT_EQ(RecordTexts(target).size(), 7u);
    }
}

TEST_F(ConvertEndToEnd, ASaveTheVersionRefusesLeavesTheFileAndTheOldBackupAlone) {
    const std::string target = ClassicTarget();
    const std::vector<std::uint8_t> before = ReadFileBytes(target);
    const std::vector<std::uint8_t> old_backup = testing::Bytes("an earlier backup");
    WriteFileBytes(target + ".xbk", old_backup);

    CliRun r = Cli({"convert", book, target, "--desktop-version", "60001", "--format", "json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(JsonValue(r.out, "read_layout"), "\"classic\"");
    EXPECT_EQ(JsonValue(r.out, "write_layout"), "\"palmsg\"");
    EXPECT_EQ(JsonValue(r.out, "added"), "6");  // done in memory, then not written
    EXPECT_EQ(JsonValue(r.out, "saved"), "false");
    EXPECT_EQ(JsonValue(r.out, "backup"), "null");
    EXPECT_NE(JsonValue(r.out, "error").find("classic layout"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("6.0.1"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(target), before);
    EXPECT_EQ(ReadFileBytes(target + ".xbk"), old_backup);

    // The same refusal is told by a dry run, which writes nothing either way.
    CliRun dry = Cli({"convert", book, target, "--desktop-version", "60001", "--dry-run"});
    EXPECT_EQ(dry.status, 1);
    EXPECT_NE(dry.out.find("Not written."), std::string::npos) << dry.out;
    EXPECT_EQ(ReadFileBytes(target), before);
}

TEST_F(ConvertEndToEnd, DryRunAndAnEmptySelectionWriteNothing) {
    const std::string target = PalmSgTarget();
    const std::vector<std::uint8_t> before = ReadFileBytes(target);

    CliRun dry = Cli({"convert", book, target, "--desktop-version", "60001", "--dry-run",
                      "--format", "json"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(JsonValue(dry.out, "added"), "6");
    EXPECT_EQ(JsonValue(dry.out, "saved"), "false");
    EXPECT_EQ(JsonValue(dry.out, "backup"), "null");
    EXPECT_EQ(JsonValue(dry.out, "error"), "null");
    EXPECT_EQ(ReadFileBytes(target), before);
    EXPECT_FALSE(platform::PathExists(target + ".xbk"));

    // Only the exact contact, converted once: the next run has nothing to select.
    const std::string one = dir.File("one.vcf");
    const std::string text = kBook;
    WriteFileBytes(one, testing::Bytes(text.substr(0, text.find("END:VCARD") + 11)));
    ASSERT_EQ(Cli({"convert", one, target, "--desktop-version", "60001"}).status, 0);
    ASSERT_TRUE(platform::RemoveFile(target + ".xbk"));
    const std::vector<std::uint8_t> converted = ReadFileBytes(target);
    CliRun none = Cli({"convert", one, target, "--desktop-version", "60001", "--format", "json"});
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(JsonValue(none.out, "contacts"), "1");
    EXPECT_EQ(JsonValue(none.out, "unchanged"), "1");
    EXPECT_EQ(JsonValue(none.out, "selected"), "0");
    EXPECT_EQ(JsonValue(none.out, "skipped"), "0");
    EXPECT_EQ(JsonValue(none.out, "saved"), "false");
    EXPECT_EQ(JsonValue(none.out, "backup"), "null");
    EXPECT_EQ(JsonValue(none.out, "error"), "null");
    EXPECT_EQ(ReadFileBytes(target), converted);
    EXPECT_FALSE(platform::PathExists(target + ".xbk"));
}

TEST_F(ConvertEndToEnd, CustomFieldsTakeTheMappedProperty) {
    const std::string target = PalmSgTarget();
    CliRun r = Cli({"convert", book, target, "--desktop-version", "60001", "--custom",
                    "2=Comment", "--custom=9=0x3A16001E"});
    ASSERT_EQ(r.status, 0) << r.err;
    PalmSgAddressFile file;
    ASSERT_TRUE(file.Load(target));
    const PalmSgRecord* exact = file.Records().Get(1);
    ASSERT_NE(exact, nullptr);
    EXPECT_EQ(exact->last_name, "Exact");
    EXPECT_EQ(exact->custom[0], "");
    EXPECT_EQ(exact->custom[1], "First line\r\nsecond line");
    EXPECT_EQ(exact->custom[8], "Exact GmbH");
}

TEST_F(ConvertEndToEnd, DiffListsEveryContactWithItsStatus) {
    const std::string target = ClassicTarget();
    const std::string one = dir.File("two.vcf");
    WriteFileBytes(one, testing::Bytes(
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Kept;Karl;;;\r\nFN:Karl Kept\r\n"
                            "TEL;TYPE=HOME:+49 1 999\r\nNOTE:not in the address book\r\n"
                            "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xC3\xBCller;Uwe;;;\r\n"
                            "FN:Uwe M\xC3\xBCller\r\nEMAIL:uwe@example.org\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Kept;Karl;;;\r\nFN:Karl \"K\" Kept\r\n"
                            "TEL;TYPE=HOME:+49 1 999\r\nEND:VCARD\r\n"));
    const std::vector<std::uint8_t> before = ReadFileBytes(target);
    CliRun r = Cli({"diff", one, target, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The third card matches Karl Kept, but its empty note compares different.
    EXPECT_EQ(r.out,
              "{\n  \"contacts\": [\n"
              "    {\n      \"name\": \"Karl Kept\",\n      \"email\": \"\",\n"
              "      \"status\": \"unchanged\"\n    },\n"
              "    {\n      \"name\": \"Uwe M\xC3\xBCller\",\n      \"email\": \"uwe@example.org\",\n"
              "      \"status\": \"new\"\n    },\n"
              "    {\n      \"name\": \"Karl \\\"K\\\" Kept\",\n      \"email\": \"\",\n"
              "      \"status\": \"changed\"\n    }\n"
              "  ]\n}\n");
    CliRun text = Cli({"diff", one, target});
    ASSERT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("new       Uwe M\xC3\xBCller <uwe@example.org>\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("3 contacts: 1 new, 1 changed, 1 unchanged"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(target), before);
}

TEST_F(ConvertEndToEnd, UnreadableInputsAndBadUsage) {
    const std::string target = ClassicTarget();
    const std::string garbage = dir.File("garbage.dat");
    WriteFileBytes(garbage, testing::Bytes("not a contacts file at all"));
    const std::string not_vcard = dir.File("notes.txt");
    WriteFileBytes(not_vcard, testing::Bytes("hello\r\n"));
    const std::vector<std::uint8_t> before = ReadFileBytes(target);

    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;  // part of what standard error must say
    };
    const std::vector<Case> cases = {
        {{"convert", book, garbage}, 3, "Invalid Palm Desktop contacts file"},
        {{"convert", book, dir.File("missing.dat")}, 3, "Invalid Palm Desktop contacts file"},
        {{"diff", book, garbage}, 3, "Invalid Palm Desktop contacts file"},
        {{"convert", dir.File("missing.vcf"), target}, 3, "nothing exists"},
        {{"convert", not_vcard, target}, 3, "cannot read the address book"},
        {{"convert", "@current", target}, 3, "current user's address book"},
        {{"convert", book}, 2, "missing argument"},
        {{"convert", book, target, "extra"}, 2, "unexpected argument"},
        {{"convert", book, target, "--select", "some"}, 2, "unknown selection"},
        {{"convert", book, target, "--desktop-version", "4.1"}, 2, "not a version number"},
        {{"convert", book, target, "--desktop-version", "99999999999"}, 2, "not a version number"},
        {{"convert", book, target, "--custom", "10=Comment"}, 2, "N from 1 to 9"},
        {{"convert", book, target, "--custom", "1=Shoe Size"}, 2, "not a text property"},
        {{"convert", book, target, "--custom", "1=0x0FFF0102"}, 2, "not a text property"},
        {{"convert", book, target, "--format", "csv"}, 2, "unknown format"},
        {{"convert", book, "@user:x"}, 2, "not @user:ID"},
        {{"diff", book, target, "--dry-run"}, 2, "unknown option --dry-run"},
        {{"users", "extra"}, 2, "unexpected argument"},
    };
    for (const Case& c : cases) {
        CliRun r = Cli(c.args);
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        EXPECT_EQ(r.status, c.status) << joined << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << joined << "\n" << r.err;
        EXPECT_EQ(r.out, "") << joined;
    }
    EXPECT_EQ(ReadFileBytes(target), before);
    EXPECT_FALSE(platform::PathExists(target + ".xbk"));
}

// A user library of two users, the second one's folder holding a classic contacts file.
std::string g_root;
std::int32_t FakeRoot(char* buffer, std::int16_t* size) {
    if (static_cast<std::size_t>(*size) <= g_root.size()) return 0;
    std::snprintf(buffer, static_cast<std::size_t>(*size), "%s", g_root.c_str());
    return 1;
}
std::int32_t FakeDirectory(std::uint32_t id, char* buffer, std::int16_t* size) {
    std::snprintf(buffer, static_cast<std::size_t>(*size), "%s", id == 1 ? "AdamsA" : "MuellerJ");
    return 1;
}
std::int16_t FakeCount() { return 2; }
std::int32_t FakeId(std::int16_t index, std::uint32_t* id) {
    *id = index == 0 ? 1u : 42u;
    return 1;
}
std::int32_t FakeName(std::uint32_t id, char* buffer, std::int16_t* size) {
    std::snprintf(buffer, static_cast<std::size_t>(*size), "%s", id == 1 ? "Ann Adams" : "J\xF6rg M\xFCller");
    return 1;
}

TEST_F(ConvertEndToEnd, UsersAndUserTargetsGoThroughPalmDesktopsUserLibrary) {
    CliRun none = Cli({"users", "--format", "json"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "{\n  \"users\": []\n}\n");
    EXPECT_NE(none.err.find("UserData.dll"), std::string::npos);
    EXPECT_EQ(Cli({"convert", book, "@user:42"}).status, 3);

    g_root = dir.File("");
    UserDataEntryPoints calls;
    calls.UmGetRootDirectory = FakeRoot;
    calls.UmGetUserDirectory = FakeDirectory;
    calls.UmGetUserCount = FakeCount;
    calls.UmGetUserID = FakeId;
    calls.UmGetUserName = FakeName;
    SetUserDataEntryPointsForTesting(calls);
    CliRun users = Cli({"users", "--format", "json"});
    CliRun text = Cli({"users"});
    const std::string folder = dir.File("MuellerJ") + platform::kPathSeparator + "address";
    std::filesystem::create_directories(folder);
    const std::string target = folder + platform::kPathSeparator + "address.dat";
    WriteFileBytes(target, testing::ClassicFileBytes(target, {}));
    CliRun convert = Cli({"convert", book, "@user:42", "--desktop-version", "40101", "--format", "json"});
    UnloadLibraries(kUserDataLibrary);

    EXPECT_EQ(users.status, 0) << users.err;
    EXPECT_NE(users.out.find("\"id\": 42,\n      \"name\": \"J\xC3\xB6rg M\xC3\xBCller\",\n"
                             "      \"directory\": \"MuellerJ\""),
              std::string::npos)
        << users.out;
    EXPECT_EQ(text.out, "@user:1  Ann Adams  (AdamsA)\n@user:42  J\xC3\xB6rg M\xC3\xBCller  (MuellerJ)\n");
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_EQ(JsonValue(convert.out, "target"), JsonString(Windows1252ToUtf8(target)));
    EXPECT_EQ(JsonValue(convert.out, "added"), "6");
    EXPECT_EQ(RecordTexts(target).size(), 6u);
}

}  // namespace
}  // namespace tarvenne::cli
