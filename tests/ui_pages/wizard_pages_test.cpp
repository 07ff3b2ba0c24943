// The wizard's pages end to end: tarvenne.exe run against stand-in Palm Desktop
// installations, driven from this program, and the contacts files it leaves compared
// record by record with what the engine makes of the same choices. Needs a display.
#include "engine/conversion_job.h"
#include "palmfile/classic_address_file.h"
#include "palmfile/palmsg_address_file.h"
#include "platform/file_system.h"
#include "tests/contacts_file_builder.h"
#include "tests/ui_pages/wizard_remote.h"
#include "wab/property_mapping.h"
#include "wab/property_table.h"
#include "wab/wab_loader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

namespace tarvenne::testing {
namespace {

constexpr std::uint32_t kClassicDesktop = 40101;  // the stand-in palm.exe 4.1.1
constexpr std::uint32_t kNewerDesktop = 60001;    // the stand-in palm.exe 6.0.1

#define REQUIRE_DISPLAY()                                                   \
    do {                                                                    \
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display to run on"; \
    } while (0)

std::string SampleBook() { return WinPath(TARVENNE_SOURCE_DIR "/samples/contacts.vcf"); }
std::string SmallBook() { return WinPath(TARVENNE_SOURCE_DIR "/tests/ui_pages/data/small_book.vcf"); }
std::string Sample(const char* name) { return WinPath(std::string(TARVENNE_SOURCE_DIR "/samples/") + name); }
std::string Testbed(const char* folder) { return std::string(TARVENNE_TESTBED_DIR "/") + folder; }
std::string Shot(const std::string& name) {
    MakeFolders(WinPath(TARVENNE_SCREENSHOT_DIR));
    return WinPath(TARVENNE_SCREENSHOT_DIR) + "\\" + name + ".bmp";
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    platform::ReadFileBytes(path, &bytes);
    return bytes;
}

std::string CaseName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

bool Copy(const std::string& from, const std::string& to) {
    const std::size_t slash = to.find_last_of('\\');
    if (slash != std::string::npos) MakeFolders(to.substr(0, slash));
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

// Every field of a record, by position.
std::string Describe(const PalmRecord& r) {
    std::ostringstream s;
    for (int p = 0; p < r.Layout().fields; ++p) {
        const FieldKind kind = r.Layout().kind[p];
        if (kind == FieldKind::kText) s << r.Text(p) << '|';
        else if (kind == FieldKind::kBlob) s << r.BlobBytes(p) << '|';
        else s << r.Long(p) << '|';
    }
    return s.str();
}

std::vector<std::string> RecordsOf(const std::string& path) {
    std::unique_ptr<AddressFile> file = std::make_unique<ClassicAddressFile>(path);
    if (!file->Loaded()) file = std::make_unique<PalmSgAddressFile>(path);
    if (!file->Loaded()) return {"<unreadable " + path + ">"};
    std::vector<std::string> out;
    for (const PalmRecord* r = file->Records().First(); r; r = file->Records().Next()) out.push_back(Describe(*r));
    return out;
}

// What the wizard should have written: the same target opened, the same book marked,
// the contacts chosen converted in order and saved, by the engine in this process.
struct Expectation {
    std::vector<std::int32_t> status;  // per contact, in load order
    std::vector<std::string> names;
    std::vector<std::string> emails;
    std::vector<std::string> records;  // after the save
};

Expectation Expect(std::uint32_t desktop_version, const std::string& original_target,
                   const std::string& work_copy, const std::string& book,
                   const std::vector<std::string>& left_out = {}, const wab::CustomFieldMap& map = {}) {
    Expectation e;
    Copy(original_target, work_copy);
    ConversionJob job(desktop_version);
    job.LoadTargetFromFile(work_copy);
    wab::WabLoader loader;
    loader.Load(book);
    wab::MarkAgainstTarget(&loader, &job.TargetContacts());
    loader.SetCustomFieldMap(map.data(), 9);
    for (wab::SourceContact* c = loader.First(); c; c = loader.Next()) {
        e.status.push_back(c->difference_status);
        e.names.emplace_back(c->Text(wab::tag::kDisplayName));
        e.emails.emplace_back(c->Text(wab::tag::kEmailAddress));
    }
    for (std::uint32_t i = 0; i < loader.Count(); ++i) {
        wab::SourceContact* c = loader.Get(i);
        bool skip = c->difference_status == wab::kUnchanged;
        for (const auto& name : left_out) skip = skip || e.names[i] == name;
        if (skip) continue;
        ContactRecord record;
        wab::ConvertSourceContact(c, &record);
        job.AddContact(&record);
    }
    job.SaveTarget();
    e.records = RecordsOf(work_copy);
    return e;
}

int CountNonZero(const std::vector<std::int32_t>& v) {
    int n = 0;
    for (auto s : v) n += s != 0;
    return n;
}

// The record list as the wizard shows it, checked against the expected marking.
void ExpectRowsAsMarked(const WizardRun& w, const Expectation& e) {
    ASSERT_EQ(w.RowCount(), static_cast<int>(e.status.size()));
    for (int row = 0; row < w.RowCount(); ++row) {
        EXPECT_EQ(w.Cell(row, 0), e.names[row]) << "row " << row;
        EXPECT_EQ(w.Cell(row, 2), e.emails[row]) << "row " << row;
        EXPECT_EQ(w.RowChecked(row), e.status[row] != 0) << e.names[row];
    }
}

class WizardPagesTest : public ::testing::Test {
protected:
    std::string Program() const { return TARVENNE_WIZARD_EXE; }
};

// A classic Palm Desktop (4.1.1), target by user, the sample address book as the source:
// the options page's starting state, the marking in the list, the custom fields dialog
// limited to four fields, the result page, the file record by record and its backup.
TEST_F(WizardPagesTest, ClassicFileByUserFromTheSampleBook) {
    REQUIRE_DISPLAY();
    WizardRun w(TARVENNE_UI_RUN_DIR, CaseName());
    w.InstallPalmDesktop(Testbed("palm411"));
    const std::string target = w.UserContactsFile("AdamsA");
    ASSERT_TRUE(Copy(Sample("address-classic.dat"), target));
    const std::vector<std::uint8_t> before = ReadFileBytes(target);
    const Expectation e = Expect(kClassicDesktop, Sample("address-classic.dat"),
                                 w.Folder() + "\\expected.dat", SampleBook());
    ASSERT_GT(CountNonZero(e.status), 0);
    w.WriteIni("");

    ASSERT_TRUE(w.Start(Program()));
    w.Screenshot(w.Frame(), Shot("options_page"));
    EXPECT_TRUE(w.Checked(IDC_CURRENT_WAB));
    EXPECT_FALSE(w.Checked(IDC_SPECIFIC_WAB));
    EXPECT_FALSE(w.Enabled(IDC_WAB_FILE));
    EXPECT_FALSE(w.Enabled(IDC_WAB_BROWSE));
    EXPECT_TRUE(w.Checked(IDC_BY_USER));
    EXPECT_TRUE(w.Enabled(IDC_USER_BOX));
    EXPECT_FALSE(w.Enabled(IDC_PALM_FILE));
    EXPECT_FALSE(w.Enabled(IDC_PALM_BROWSE));
    EXPECT_TRUE(w.Checked(IDC_CHECK_DUPLICATES));
    EXPECT_FALSE(w.Checked(IDC_SWAP_NAMES));
    EXPECT_EQ(WizardRun::Send(w.Control(IDC_USER_BOX), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(w.Text(IDC_USER_BOX), "Ann Adams");  // no stored user matches: the first

    w.Click(IDC_SPECIFIC_WAB);
    EXPECT_TRUE(w.Checked(IDC_SPECIFIC_WAB));
    EXPECT_FALSE(w.Checked(IDC_CURRENT_WAB));
    EXPECT_TRUE(w.Enabled(IDC_WAB_FILE));
    EXPECT_TRUE(w.Enabled(IDC_WAB_BROWSE));
    ASSERT_TRUE(w.SetText(IDC_WAB_FILE, SampleBook()));
    w.Next();
    ASSERT_EQ(w.CurrentPage(), 1);
    w.Screenshot(w.Frame(), Shot("record_list_page"));
    ExpectRowsAsMarked(w, e);
    const int anna = w.RowOf("Anna Berger");
    ASSERT_GE(anna, 0);
    EXPECT_FALSE(w.RowChecked(anna)) << "her card matches her record exactly";
    EXPECT_EQ(w.Cell(anna, 1), "+49 30 1234567");
    EXPECT_EQ(w.Cell(anna, 6), "Head of Purchasing");

    // With the classic layout only four custom fields exist.
    w.Press(IDC_CUSTOM_FIELDS_MAPPING);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = w.TopLevel("Custom Fields Mapping")) != nullptr; }));
    w.Screenshot(dialog, Shot("custom_fields_dialog_classic"));
    for (int id = IDC_CUSTOM_FIRST; id <= IDC_CUSTOM_LAST; ++id) {
        EXPECT_EQ(w.Enabled(id, dialog), id < IDC_CUSTOM_FIRST + 4) << id;
        EXPECT_EQ(w.Text(id, dialog), "None") << id;
        EXPECT_EQ(WizardRun::Send(w.Control(id, dialog), CB_GETCOUNT, 0, 0), 65) << id;
    }
    w.Press(IDCANCEL, dialog);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));

    ASSERT_TRUE(w.NextToResult());
    ASSERT_EQ(w.CurrentPage(), 3);
    w.Screenshot(w.Frame(), Shot("result_page"));
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
    EXPECT_EQ(w.Text(IDC_RESULT_COUNT), std::to_string(CountNonZero(e.status)));
    EXPECT_EQ(w.Text(IDC_RESULT_USER), "Ann Adams");
    EXPECT_EQ(w.Text(IDC_RESULT_FILE), SampleBook());
    EXPECT_FALSE(IsWindowVisible(w.Control(1027)));
    EXPECT_EQ(w.Text(IDCANCEL), "&Finish");
    EXPECT_FALSE(w.Enabled(IDC_PREV));
    EXPECT_FALSE(w.Enabled(IDC_NEXT));
    ASSERT_TRUE(w.Close());

    EXPECT_EQ(RecordsOf(target), e.records);
    EXPECT_EQ(ReadFileBytes(target + ".xbk"), before) << "the backup holds the file as it was";
    EXPECT_EQ(w.IniValue("DataMode"), "1");
    EXPECT_EQ(w.IniValue("WabFile"), SampleBook());
    EXPECT_EQ(w.IniValue("PalmMode"), "0");
    EXPECT_EQ(w.IniValue("UserID"), "1001");
    EXPECT_EQ(w.IniValue("Custom1"), "0");
}

// A newer Palm Desktop (6.0.1), target by a file in a folder whose name holds a blank,
// one new contact unticked by hand: it must not reach the file.
TEST_F(WizardPagesTest, NewerFileByPathFromTheSampleBook) {
    REQUIRE_DISPLAY();
    WizardRun w(TARVENNE_UI_RUN_DIR, CaseName());
    w.InstallPalmDesktop(Testbed("palm601"));
    const std::string target = w.Folder() + "\\My Palm Files\\address.dat";
    ASSERT_TRUE(Copy(Sample("address-palmsg.dat"), target));
    const Expectation marked = Expect(kNewerDesktop, Sample("address-palmsg.dat"),
                                      w.Folder() + "\\marked.dat", SampleBook());
    std::string left_out;
    for (std::size_t i = 0; i < marked.status.size() && left_out.empty(); ++i)
        if (marked.status[i] == wab::kNew) left_out = marked.names[i];
    ASSERT_FALSE(left_out.empty());
    const Expectation e = Expect(kNewerDesktop, Sample("address-palmsg.dat"),
                                 w.Folder() + "\\expected.dat", SampleBook(), {left_out});
    w.WriteIni("DataMode=1\r\nWabFile=" + SampleBook() + "\r\nPalmMode=1\r\nPalmFile=" + target + "\r\n");

    ASSERT_TRUE(w.Start(Program()));
    EXPECT_TRUE(w.Checked(IDC_SPECIFIC_WAB));
    EXPECT_EQ(w.Text(IDC_WAB_FILE), SampleBook());
    EXPECT_TRUE(w.Checked(IDC_BY_FILE));
    EXPECT_FALSE(w.Checked(IDC_BY_USER));
    EXPECT_FALSE(w.Enabled(IDC_USER_BOX));
    EXPECT_TRUE(w.Enabled(IDC_PALM_FILE));
    EXPECT_EQ(w.Text(IDC_PALM_FILE), target);
    w.Next();
    ASSERT_EQ(w.CurrentPage(), 1);
    ExpectRowsAsMarked(w, marked);
    const int row = w.RowOf(left_out);
    ASSERT_GE(row, 0);
    w.SetRowChecked(row, false);
    EXPECT_FALSE(w.RowChecked(row));

    ASSERT_TRUE(w.NextToResult());
    ASSERT_EQ(w.CurrentPage(), 3);
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
    EXPECT_EQ(w.Text(IDC_RESULT_COUNT), std::to_string(CountNonZero(marked.status) - 1));
    EXPECT_EQ(w.Text(IDC_RESULT_USER), "Ann Adams") << "the user box's user, also for a file";
    ASSERT_TRUE(w.Close());

    EXPECT_EQ(RecordsOf(target), e.records);
    EXPECT_TRUE(PathExists(target + ".xbk"));
    EXPECT_EQ(w.IniValue("PalmMode"), "1");
    EXPECT_EQ(w.IniValue("PalmFile"), target);
    EXPECT_EQ(w.IniValue("UserID"), "1001");
}

// A classic file by path converted twice: the first run shows the progress page with the
// contact's line and lasts the half second of pacing; the second run finds every contact
// unchanged, unticked and hidden by the filter, and refuses to go on with none chosen.
TEST_F(WizardPagesTest, SecondRunFindsEveryContactUnchanged) {
    REQUIRE_DISPLAY();
    WizardRun w(TARVENNE_UI_RUN_DIR, CaseName());
    w.InstallPalmDesktop(Testbed("palm411"));
    const std::string target = w.Folder() + "\\address.dat";
    platform::WriteFileBytes(target, testing::BuildFile(testing::Layout::kClassic, {}));
    w.WriteIni("DataMode=1\r\nWabFile=" + SmallBook() + "\r\nPalmMode=1\r\nPalmFile=" + target + "\r\n");

    {
        ASSERT_TRUE(w.Start(Program()));
        w.Next();
        ASSERT_EQ(w.CurrentPage(), 1);
        ASSERT_EQ(w.RowCount(), 3);
        for (int row = 0; row < 3; ++row) EXPECT_TRUE(w.RowChecked(row)) << "all are new";

        const auto start = std::chrono::steady_clock::now();
        w.Press(IDC_NEXT);
        // The wizard is busy: read the text as stored, without asking its thread.
        wchar_t stored[256] = {};
        ASSERT_TRUE(WaitUntil([&] {
            return w.CurrentPage() == 3 ||
                   InternalGetWindowText(w.Control(IDC_PROGRESS_TEXT), stored, 256) > 0;
        }, 20000));
        const std::string line(stored, stored + wcslen(stored));
        // The last picture taken while the page is up is kept.
        for (int i = 0; i < 4 && w.CurrentPage() == 2; ++i) w.Screenshot(w.Frame(), Shot("progress_page"), 80);
        ASSERT_TRUE(WaitUntil([&] { return w.CurrentPage() == 3; }, 60000));
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        EXPECT_GE(elapsed.count(), 450) << "three contacts take at least 3 x 166 ms";
        EXPECT_EQ(line.rfind("Converting ", 0), 0u) << line;
        EXPECT_NE(line.find("@"), std::string::npos) << line;
        EXPECT_EQ(TextOf(w.Control(IDC_PROGRESS_TEXT)), "Converting Cleo Cole ( cleo@cole.example ) ...");
        EXPECT_EQ(WizardRun::Send(w.Control(IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0), 100);
        EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
        EXPECT_EQ(w.Text(IDC_RESULT_COUNT), "3");
        ASSERT_TRUE(w.Close());
    }
    ClassicAddressFile first(target);
    ASSERT_TRUE(first.Loaded());
    ASSERT_EQ(first.Records().Count(), 3u);
    const PalmRecord& ann = *first.Records().Get(0);
    EXPECT_EQ(ann.Text(classic_field::kLastName), "Archer");
    EXPECT_EQ(ann.Text(classic_field::kFirstName), "Ann");
    EXPECT_EQ(ann.Text(classic_field::kCompany), "Acme Instruments");
    EXPECT_EQ(ann.Text(classic_field::kTitle), "Engineer");
    EXPECT_EQ(ann.Text(classic_field::kNote), "Likes tea.");
    const std::vector<std::uint8_t> after_first = ReadFileBytes(target);

    ASSERT_TRUE(w.Start(Program()));
    EXPECT_EQ(w.Text(IDC_WAB_FILE), SmallBook()) << "the choices of the first run were kept";
    w.Next();
    ASSERT_EQ(w.CurrentPage(), 1);
    ASSERT_EQ(w.RowCount(), 3);
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(w.RowChecked(row)) << w.Cell(row, 0);
    w.Screenshot(w.Frame(), Shot("record_list_page_unchanged"));

    w.Click(IDC_DIFFERENT_ONLY);
    EXPECT_EQ(w.RowCount(), 0) << "the filter hides every unchanged contact";
    w.Screenshot(w.Frame(), Shot("record_list_page_filtered"));
    w.PressAndWait(IDC_SELECT_ALL);
    w.Next();
    MessageBoxSeen seen = w.TakeMessageBox(Shot("message_no_record"));
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.text, "No record is selected. ");
    EXPECT_EQ(w.CurrentPage(), 1);

    // Unfiltered again; the buttons and a rebuild that drops hand-made ticks.
    w.Click(IDC_DIFFERENT_ONLY);
    ASSERT_EQ(w.RowCount(), 3);
    w.PressAndWait(IDC_SELECT_ALL);
    for (int row = 0; row < 3; ++row) EXPECT_TRUE(w.RowChecked(row));
    w.PressAndWait(IDC_CLEAR_ALL);
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(w.RowChecked(row));
    w.SetRowChecked(1, true);
    w.Click(IDC_DIFFERENT_ONLY);
    w.Click(IDC_DIFFERENT_ONLY);
    ASSERT_EQ(w.RowCount(), 3);
    EXPECT_FALSE(w.RowChecked(1)) << "a rebuild applies the default ticks again";

    // Cancel on the record list page still writes the settings.
    DeleteFileA(w.Ini().c_str());
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(w.IniValue("WabFile"), SmallBook());
    EXPECT_EQ(w.IniValue("PalmFile"), target);
    EXPECT_EQ(ReadFileBytes(target), after_first) << "nothing was written by the second run";
}

// The swap option turns the names round in the file; it starts unchecked in every run,
// whatever the last run did.
TEST_F(WizardPagesTest, SwapOptionTurnsTheNamesRound) {
    REQUIRE_DISPLAY();
    WizardRun w(TARVENNE_UI_RUN_DIR, CaseName());
    w.InstallPalmDesktop(Testbed("palm411"));
    const std::string target = w.Folder() + "\\address.dat";
    platform::WriteFileBytes(target, testing::BuildFile(testing::Layout::kClassic, {}));
    w.WriteIni("DataMode=1\r\nWabFile=" + SmallBook() + "\r\nPalmMode=1\r\nPalmFile=" + target + "\r\n");

    ASSERT_TRUE(w.Start(Program()));
    EXPECT_FALSE(w.Checked(IDC_SWAP_NAMES));
    w.Click(IDC_SWAP_NAMES);
    EXPECT_TRUE(w.Checked(IDC_SWAP_NAMES));
    w.Next();
    ASSERT_EQ(w.CurrentPage(), 1);
    ASSERT_TRUE(w.NextToResult());
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
    ASSERT_TRUE(w.Close());

    ClassicAddressFile written(target);  // read without the swap
    ASSERT_TRUE(written.Loaded());
    ASSERT_EQ(written.Records().Count(), 3u);
    EXPECT_EQ(written.Records().Get(0)->Text(classic_field::kLastName), "Ann");
    EXPECT_EQ(written.Records().Get(0)->Text(classic_field::kFirstName), "Archer");

    ASSERT_TRUE(w.Start(Program()));
    EXPECT_FALSE(w.Checked(IDC_SWAP_NAMES));
    ASSERT_TRUE(w.Close());
}

// Both refusals of the options page, with what was typed kept for the next start.
TEST_F(WizardPagesTest, OptionsPageRefusesMissingFiles) {
    REQUIRE_DISPLAY();
    WizardRun w(TARVENNE_UI_RUN_DIR, CaseName());
    w.InstallPalmDesktop(Testbed("palm411"));
    w.WriteIni("");
    const std::string missing = w.Folder() + "\\no such book.wab";

    ASSERT_TRUE(w.Start(Program()));
    w.Click(IDC_SPECIFIC_WAB);
    ASSERT_TRUE(w.SetText(IDC_WAB_FILE, missing));
    w.Next();
    MessageBoxSeen seen = w.TakeMessageBox(Shot("message_invalid_book"));
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.text, "Invalid Outlook Express Address Book File.");
    EXPECT_EQ(w.CurrentPage(), 0);

    // A folder passes: only existence is checked.
    ASSERT_TRUE(w.SetText(IDC_WAB_FILE, w.Folder()));
    w.Click(IDC_BY_FILE);
    EXPECT_FALSE(w.Enabled(IDC_USER_BOX));
    EXPECT_TRUE(w.Enabled(IDC_PALM_FILE));
    EXPECT_TRUE(w.Enabled(IDC_PALM_BROWSE));
    ASSERT_TRUE(w.SetText(IDC_PALM_FILE, SmallBook()));  // exists, but is no contacts file
    w.Next();
    seen = w.TakeMessageBox(Shot("message_invalid_contacts_file"));
    EXPECT_EQ(seen.text, "Invalid Palm Desktop contacts file.");
    ASSERT_TRUE(w.SetText(IDC_PALM_FILE, ""));
    w.Next();
    seen = w.TakeMessageBox();
    EXPECT_EQ(seen.text, "Invalid Palm Desktop contacts file.");
    EXPECT_EQ(w.CurrentPage(), 0);

    w.Click(IDC_BY_USER);
    EXPECT_TRUE(w.Enabled(IDC_USER_BOX));
    EXPECT_FALSE(w.Enabled(IDC_PALM_FILE));
    w.Click(IDC_CURRENT_WAB);
    EXPECT_FALSE(w.Enabled(IDC_WAB_FILE));

    // Cancel on the first page writes what the refused Next stored.
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(w.IniValue("DataMode"), "1");
    EXPECT_EQ(w.IniValue("WabFile"), w.Folder());
    EXPECT_EQ(w.IniValue("PalmMode"), "1");
    EXPECT_EQ(w.IniValue("PalmFile"), "");
}

// The custom fields dialog with all nine fields (newer layout), target by a chosen user:
// OK keeps the choice, Cancel does not, and the mapped properties land in the fields.
TEST_F(WizardPagesTest, CustomFieldsDecideWhatLandsInCustomFields) {
    REQUIRE_DISPLAY();
    WizardRun w(TARVENNE_UI_RUN_DIR, CaseName());
    w.InstallPalmDesktop(Testbed("palm601"));
    const std::string target = w.UserContactsFile("BrownB");
    platform::WriteFileBytes(target, testing::BuildFile(testing::Layout::kPalmSg, {}));
    const std::string empty = w.Folder() + "\\empty.dat";
    platform::WriteFileBytes(empty, testing::BuildFile(testing::Layout::kPalmSg, {}));
    const std::uint32_t nick = wab::tag::kNickName, profession = wab::tag::kProfession;
    wab::CustomFieldMap map = {};
    map[0] = nick;
    map[8] = profession;
    const Expectation e = Expect(kNewerDesktop, empty, w.Folder() + "\\expected.dat", SmallBook(), {}, map);
    w.WriteIni("DataMode=1\r\nWabFile=" + SmallBook() + "\r\nUserID=1002\r\n");

    ASSERT_TRUE(w.Start(Program()));
    EXPECT_EQ(w.Text(IDC_USER_BOX), "Bob Brown");
    w.Next();
    ASSERT_EQ(w.CurrentPage(), 1);

    w.Press(IDC_CUSTOM_FIELDS_MAPPING);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = w.TopLevel("Custom Fields Mapping")) != nullptr; }));
    for (int id = IDC_CUSTOM_FIRST; id <= IDC_CUSTOM_LAST; ++id) EXPECT_TRUE(w.Enabled(id, dialog)) << id;
    const int nick_item = wab::FindPropertyRow(nick) + 1;
    const int profession_item = wab::FindPropertyRow(profession) + 1;
    WizardRun::Send(w.Control(IDC_CUSTOM_FIRST, dialog), CB_SETCURSEL, nick_item, 0);
    WizardRun::Send(w.Control(IDC_CUSTOM_LAST, dialog), CB_SETCURSEL, profession_item, 0);
    EXPECT_EQ(w.Text(IDC_CUSTOM_FIRST, dialog), "Nick Name");
    w.Screenshot(dialog, Shot("custom_fields_dialog"));
    w.Press(IDOK, dialog);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));

    // Opened again: the choice is shown; a change then cancelled is forgotten.
    w.Press(IDC_CUSTOM_FIELDS_MAPPING);
    ASSERT_TRUE(WaitUntil([&] { return (dialog = w.TopLevel("Custom Fields Mapping")) != nullptr; }));
    EXPECT_EQ(w.Text(IDC_CUSTOM_FIRST, dialog), "Nick Name");
    EXPECT_EQ(w.Text(IDC_CUSTOM_LAST, dialog), "Profession");
    EXPECT_EQ(w.Text(IDC_CUSTOM_FIRST + 1, dialog), "None");
    WizardRun::Send(w.Control(IDC_CUSTOM_FIRST + 1, dialog), CB_SETCURSEL, 1, 0);
    w.Press(IDCANCEL, dialog);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));

    ASSERT_TRUE(w.NextToResult());
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
    EXPECT_EQ(w.Text(IDC_RESULT_USER), "Bob Brown");
    ASSERT_TRUE(w.Close());

    EXPECT_EQ(RecordsOf(target), e.records);
    PalmSgAddressFile written(target);
    ASSERT_TRUE(written.Loaded());
    ASSERT_EQ(written.Records().Count(), 3u);
    const RecordLayout& l = written.Layout();
    EXPECT_EQ(written.Records().Get(0)->Text(l.custom[0]), "Annie");
    EXPECT_EQ(written.Records().Get(0)->Text(l.custom[8]), "Surveyor");
    EXPECT_EQ(written.Records().Get(0)->Text(l.custom[1]), "");
    EXPECT_EQ(written.Records().Get(2)->Text(l.custom[0]), "") << "Cleo has no nick name";
    EXPECT_EQ(w.IniValue("Custom1"), std::to_string(static_cast<std::int32_t>(nick)));
    EXPECT_EQ(w.IniValue("Custom2"), "0");
    EXPECT_EQ(w.IniValue("Custom9"), std::to_string(static_cast<std::int32_t>(profession)));
    EXPECT_EQ(w.IniValue("UserID"), "1002");
}

// Palm Desktop 6.0.1 writes only the newer layout: a classic target is converted in
// memory, but not written, and the result page says so and why.
TEST_F(WizardPagesTest, ResultPageReportsARefusedSave) {
    REQUIRE_DISPLAY();
    WizardRun w(TARVENNE_UI_RUN_DIR, CaseName());
    w.InstallPalmDesktop(Testbed("palm601"));
    const std::string target = w.Folder() + "\\address.dat";
    ASSERT_TRUE(Copy(Sample("address-classic.dat"), target));
    const std::vector<std::uint8_t> before = ReadFileBytes(target);
    w.WriteIni("DataMode=1\r\nWabFile=" + SmallBook() + "\r\nPalmMode=1\r\nPalmFile=" + target + "\r\n");

    ASSERT_TRUE(w.Start(Program()));
    w.Next();
    ASSERT_EQ(w.CurrentPage(), 1);
    ASSERT_EQ(w.RowCount(), 3);
    ASSERT_TRUE(w.NextToResult());
    ASSERT_EQ(w.CurrentPage(), 3);
    w.Screenshot(w.Frame(), Shot("result_page_refused"));
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Failed.");
    HWND reason = w.Control(1027);
    ASSERT_NE(reason, nullptr);
    EXPECT_TRUE(IsWindowVisible(reason));
    const std::string why = TextOf(reason);
    EXPECT_NE(why.find("not written"), std::string::npos) << why;
    EXPECT_NE(why.find("classic layout"), std::string::npos) << why;
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(ReadFileBytes(target), before);
    EXPECT_FALSE(PathExists(target + ".xbk"));
}

}  // namespace
}  // namespace tarvenne::testing
