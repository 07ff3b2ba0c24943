// The wizard's conversions end to end: tarvenne.exe run against stand-in Palm Desktop
// installations, and the contacts files it leaves compared record by record with what the
// engine makes of the same choices in this process.
#include "engine/conversion_job.h"
#include "tests/ui/wine_driver.h"
#include "ui/pages/result_page.h"
#include "wab/property_mapping.h"
#include "wab/property_table.h"
#include "wab/wab_loader.h"

#include <algorithm>

namespace tarvenne::testing {
namespace {

constexpr std::uint32_t kClassicDesktop = 40101;  // the stand-in palm.exe 4.1.1
constexpr std::uint32_t kNewerDesktop = 60001;    // the stand-in palm.exe 6.0.1

std::string Sample(const char* name) { return SourceFile(std::string("samples/") + name); }
std::string SmallBook() { return SourceFile("tests/ui/small_book.vcf"); }

// What the wizard should leave: a copy of the same target opened, the same book marked,
// the contacts it ticks (less those left out) converted in order and saved.
struct Expectation {
    std::vector<bool> ticked;  // per contact, in the book's order
    std::string records;
    std::size_t cuts = 0;  // texts the file holds shorter than the book
    int Ticked() const { return static_cast<int>(std::count(ticked.begin(), ticked.end(), true)); }
};

Expectation Expect(std::uint32_t desktop_version, const std::string& target,
                   const std::string& copy, const std::string& book, bool swap = false,
                   int left_out = -1, const wab::CustomFieldMap& map = {}) {
    Expectation e;
    CopyInto(target, copy);
    ConversionJob job(desktop_version);
    job.SetSwapNames(swap);
    job.LoadTargetFromFile(copy);
    wab::WabLoader loader;
    loader.Load(book);
    wab::MarkAgainstTarget(&loader, &job.TargetContacts());
    loader.SetCustomFieldMap(map.data(), 9);
    for (std::uint32_t i = 0; i < loader.Count(); ++i) {
        e.ticked.push_back(loader.Get(i)->difference_status != wab::kUnchanged);
        if (!e.ticked.back() || static_cast<int>(i) == left_out) continue;
        ContactRecord record;
        wab::ConvertSourceContact(loader.Get(i), &record);
        if (job.AddContact(&record)) e.cuts += wab::CutTexts(*loader.Get(i), job.LastKept()).size();
    }
    job.SaveTarget();
    e.records = RecordsOf(copy);
    return e;
}

void ExpectRowsTicked(const Wizard& w, const Expectation& e) {
    ASSERT_EQ(w.RowCount(), static_cast<int>(e.ticked.size()));
    for (int row = 0; row < w.RowCount(); ++row) EXPECT_EQ(w.RowChecked(row), e.ticked[row]) << row;
}

// Palm Desktop 6.0.1, target by a path with a blank, names swapped, the web pages mapped
// onto two custom fields (a third chosen, then cancelled) and one contact unticked by hand.
TEST(WizardPages, NewerFileByPathWithEveryChoice) {
    REQUIRE_DISPLAY();
    Wizard w("newer_by_file");
    w.InstallPalmDesktop("palm601");
    const std::string target = w.Folder() + "\\My Palm Files\\address.dat";
    const std::string book = Sample("contacts.vcf");
    ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), target));
    const std::uint32_t work = wab::tag::kBusinessHomepage, home = wab::tag::kPersonalHomepage;
    const wab::CustomFieldMap map = {work, 0, 0, 0, 0, 0, 0, 0, home};
    const Expectation marked =
        Expect(kNewerDesktop, target, w.Folder() + "\\marked.dat", book, true);
    const int left_out = static_cast<int>(
        std::find(marked.ticked.begin(), marked.ticked.end(), true) - marked.ticked.begin());
    const Expectation e = Expect(kNewerDesktop, target, w.Folder() + "\\expected.dat", book,
                                 true, left_out, map);
    w.WriteIni("DataMode=1\r\nWabFile=" + book + "\r\nPalmMode=1\r\nPalmFile=" + target + "\r\n");
    ASSERT_TRUE(w.Start());
    EXPECT_TRUE(w.Checked(IDC_SPECIFIC_WAB) && w.Checked(IDC_BY_FILE) && !w.Enabled(IDC_USER_BOX));
    w.Click(IDC_SWAP_NAMES);
    ASSERT_TRUE(w.Next(kRecordList));
    ExpectRowsTicked(w, marked);
    w.SetRowChecked(left_out, false);
    for (bool confirm : {true, false}) {
        w.Click(IDC_CUSTOM_FIELDS_MAPPING);
        HWND dialog = w.WaitForTopLevel("Custom Fields Mapping");
        ASSERT_NE(dialog, nullptr);
        for (int id = IDC_CUSTOM_FIRST; id <= IDC_CUSTOM_LAST; ++id)
            EXPECT_TRUE(w.Enabled(id, dialog));
        if (confirm) {
            for (int k : {0, 8}) {
                const WPARAM item = static_cast<WPARAM>(wab::FindPropertyRow(map[k]) + 1);
                Send(w.Control(IDC_CUSTOM_FIRST + k, dialog), CB_SETCURSEL, item);
            }
        } else {
            EXPECT_EQ(w.Text(IDC_CUSTOM_FIRST, dialog), "Business Homepage") << "kept";
            Send(w.Control(IDC_CUSTOM_FIRST + 1, dialog), CB_SETCURSEL, 1);  // then cancelled
        }
        w.Click(confirm ? IDOK : IDCANCEL, dialog);
        ASSERT_TRUE(Wizard::WaitClosed(dialog));
    }
    ASSERT_TRUE(w.Next(kResult));
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
    EXPECT_EQ(w.Text(IDC_RESULT_COUNT), std::to_string(marked.Ticked() - 1));
    EXPECT_EQ(w.Text(IDC_RESULT_USER), "Ann Adams") << "the user box's user, also for a file";
    ASSERT_GT(e.cuts, 1u) << "the sample book has e-mails longer than a phone slot";
    EXPECT_EQ(w.Text(ResultPage::kReasonId), std::to_string(e.cuts) + " texts were cut to fit their fields.");
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(RecordsOf(target), e.records);
    EXPECT_FALSE(ReadAll(target + ".xbk").empty());
    const std::pair<const char*, std::string> kept[] = {
        {"Custom1", std::to_string(static_cast<std::int32_t>(work))}, {"Custom2", "0"},
        {"Custom9", std::to_string(static_cast<std::int32_t>(home))}, {"PalmFile", target}};
    for (const auto& [key, value] : kept) EXPECT_EQ(w.IniValue(key), value) << key;
    ASSERT_TRUE(w.Start());
    EXPECT_FALSE(w.Checked(IDC_SWAP_NAMES)) << "the swap starts unticked in every run";
    EXPECT_TRUE(w.Close());
}

// Palm Desktop 4.1.1, target by user, converted twice: the first run shows each contact's
// line for the half second of pacing; the second finds every contact unchanged, unticked
// and hidden by the filter, and refuses to go on with none chosen. A Palm Desktop that
// writes only the newer layout then converts them in memory, but writes nothing, and
// says so and why.
TEST(WizardPages, ClassicFileByUserTwiceThenANewerDesktopRefusesIt) {
    REQUIRE_DISPLAY();
    Wizard w("classic_by_user");
    w.InstallPalmDesktop("palm411");
    const std::string target = w.PalmFile("AdamsA");
    ASSERT_TRUE(CopyInto(Sample("address-classic.dat"), target));
    const std::string before = ReadAll(target);
    const Expectation e =
        Expect(kClassicDesktop, target, w.Folder() + "\\expected.dat", SmallBook());
    w.WriteIni("");
    ASSERT_TRUE(w.Start());
    EXPECT_TRUE(w.Checked(IDC_CURRENT_WAB) && w.Checked(IDC_BY_USER) &&
                w.Checked(IDC_CHECK_DUPLICATES));
    EXPECT_FALSE(w.Checked(IDC_SWAP_NAMES) || w.Enabled(IDC_WAB_FILE) || w.Enabled(IDC_PALM_FILE));
    EXPECT_EQ(w.Text(IDC_USER_BOX), "Ann Adams") << "no stored user: the first";
    w.Click(IDC_SPECIFIC_WAB);
    ASSERT_TRUE(WaitUntil([&] { return w.Enabled(IDC_WAB_FILE); }));
    w.SetText(IDC_WAB_FILE, SmallBook());
    ASSERT_TRUE(w.Next(kRecordList));
    ExpectRowsTicked(w, e);
    w.Click(IDC_CUSTOM_FIELDS_MAPPING);
    HWND dialog = w.WaitForTopLevel("Custom Fields Mapping");
    ASSERT_NE(dialog, nullptr);
    for (int id = IDC_CUSTOM_FIRST; id <= IDC_CUSTOM_LAST; ++id)  // the layout has four
        EXPECT_EQ(w.Enabled(id, dialog), id < IDC_CUSTOM_FIRST + 4) << id;
    w.Click(IDCANCEL, dialog);
    ASSERT_TRUE(Wizard::WaitClosed(dialog));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(w.Next(kResult));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450))
        << "three contacts take at least 3 x 166 ms";
    EXPECT_EQ(w.Text(IDC_PROGRESS_TEXT), "Converting Cleo Cole ( cleo@cole.example ) ...");
    EXPECT_EQ(Send(w.Control(IDC_PROGRESS_BAR), PBM_GETPOS), 100);
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
    EXPECT_EQ(w.Text(IDC_RESULT_COUNT), "3");
    EXPECT_EQ(w.Text(IDC_RESULT_FILE), SmallBook());
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(RecordsOf(target), e.records);
    EXPECT_EQ(ReadAll(target + ".xbk"), before) << "the backup holds the file as it was";
    for (auto [key, value] : {std::pair{"PalmMode", "0"}, {"UserID", "1001"}, {"Custom9", "0"}})
        EXPECT_EQ(w.IniValue(key), value) << key;
    const std::string written = ReadAll(target), backup = ReadAll(target + ".xbk");

    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.Next(kRecordList));
    ASSERT_EQ(w.RowCount(), 3);
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(w.RowChecked(row)) << row;
    w.Click(IDC_DIFFERENT_ONLY);
    EXPECT_TRUE(WaitUntil([&] { return w.RowCount() == 0; })) << "the filter hides them all";
    w.Click(IDC_SELECT_ALL);
    w.Click(IDC_NEXT);
    EXPECT_EQ(w.TakeMessageBox(), "No record is selected. ");
    EXPECT_EQ(w.CurrentPage(), kRecordList);
    w.Click(IDC_DIFFERENT_ONLY);
    ASSERT_TRUE(WaitUntil([&] { return w.RowCount() == 3; }));
    w.Click(IDC_SELECT_ALL);
    EXPECT_TRUE(WaitUntil([&] { return w.RowChecked(0) && w.RowChecked(2); }));
    w.Click(IDC_DIFFERENT_ONLY);  // a rebuild drops the user's own ticks
    w.Click(IDC_DIFFERENT_ONLY);
    EXPECT_TRUE(WaitUntil([&] { return w.RowCount() == 3 && !w.RowChecked(1); }));
    DeleteFileA(w.Ini().c_str());
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(w.IniValue("WabFile"), SmallBook()) << "Cancel here still writes the settings";

    w.InstallPalmDesktop("palm601");
    w.WriteIni("DataMode=1\r\nWabFile=" + SmallBook() + "\r\nUserID=1001\r\n");
    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.Next(kRecordList));
    w.Click(IDC_SELECT_ALL);
    ASSERT_TRUE(w.Next(kResult));
    Wizard::Screenshot(w.Frame(), "result-refused-save");
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Failed.");
    EXPECT_TRUE(IsWindowVisible(w.Control(1027)));
    EXPECT_NE(w.Text(1027).find("classic layout"), std::string::npos) << w.Text(1027);
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(ReadAll(target), written) << "nothing was written after the first run";
    EXPECT_EQ(ReadAll(target + ".xbk"), backup) << "nor was the backup made again";
}

}  // namespace
}  // namespace tarvenne::testing
