// The wizard as a person uses it, by keys and clicks, against stand-in Palm Desktop
// installations: conversions by file and by user checked record by record against the
// engine, the keyboard and every page at 96 and 144 DPI, why a load was refused, the file
// dialogs, the settings kept, input during a long run; and rules that need no wizard.
#include "tests/ui/wine_driver.h"
#include "ui/framework/dialog_window.h"
#include "ui/pages/progress_page.h"
#include "ui/pages/result_page.h"
#include "wab/property_table.h"

#include <new>

namespace tarvenne::testing {
namespace {

// Tab (or Shift+Tab) once per expected stop: from wherever the focus was, the stops must
// follow the cycle.
void ExpectTabsThrough(const Wizard& w, std::vector<int> cycle, bool back = false) {
    if (back) std::reverse(cycle.begin(), cycle.end());
    std::vector<int> seen;
    for (std::size_t i = 0; i < cycle.size(); ++i) {
        const int before = w.Focus();
        back ? w.Keys({VK_SHIFT, VK_TAB}) : w.Keys({VK_TAB});
        WaitUntil([&] { return w.Focus() != before; }, 2000);
        seen.push_back(w.Focus());
    }
    const auto start = std::find(cycle.begin(), cycle.end(), seen[0]);
    if (start != cycle.end()) std::rotate(cycle.begin(), start, cycle.end());
    EXPECT_EQ(seen, cycle) << (back ? "Shift+Tab" : "Tab");
}

// The shown page as drawn at dpi (and its screenshot): the band to its scaled height, white
// to light blue above the button face, every text of the page and the frame's buttons fitting
// its control in the dialog's font (Verdana, 8 points). Returns the caption rows' dark pixels.
std::vector<bool> ExpectPageDrawn(const Wizard& w, int page, int dpi, const std::string& shot) {
    if (!shot.empty()) Wizard::Screenshot(w.Frame(), shot);
    RECT client = {};
    GetClientRect(w.Frame(), &client);
    MapWindowPoints(w.Frame(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int band = client.top + MulDiv(65, dpi, 96);
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(nullptr);
    const COLORREF left = GetPixel(screen, client.left + 2, band - 2),
                   right = GetPixel(screen, client.right - 3, band - 2);
    EXPECT_TRUE(GetRValue(left) > 250 && GetBValue(left) > 250 && GetRValue(right) < 200 &&
                GetBValue(right) > 250) << std::hex << left << " to " << right;
    EXPECT_EQ(GetPixel(screen, client.right - 3, band + 1), GetSysColor(COLOR_BTNFACE));
    std::vector<bool> ink;
    for (int y = client.top + MulDiv(34, dpi, 96); y < client.top + MulDiv(50, dpi, 96); ++y)
        for (int x = client.left; x < client.right; ++x)
            ink.push_back(GetRValue(GetPixel(screen, x, y)) < 100);
    EXPECT_GT(std::count(ink.begin(), ink.end(), true), 100) << "no caption";
    HGDIOBJ old = SelectObject(dc, CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                               0, 0, 0, 0, 0, "Verdana"));
    for (HWND parent : {GetParent(w.Control(kPageMarkers[page])), w.Frame()}) {
        for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            const LONG style = GetWindowLongA(c, GWL_STYLE);
            const std::string text = TextOf(c), kind = ClassOf(c);
            int room = -1;  // what the control needs beside its text, in pixels at 96 DPI
            if (kind == "Static" && (style & SS_TYPEMASK) <= SS_RIGHT) room = 0;
            if (kind == "Button") room = (style & BS_TYPEMASK) == BS_OWNERDRAW ? 4 : 18;
            if (room < 0 || text.empty() || !IsWindowVisible(c)) continue;
            RECT need = {}, have = {};
            DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE |
                      (kind == "Static" && (style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
            GetClientRect(c, &have);
            EXPECT_LE(need.right + MulDiv(room, dpi, 96), have.right) << text << " at " << dpi;
        }
    }
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return ink;
}

// Palm Desktop 6.0.1, target by a path with a blank (short paths on the prefix's drive C:,
// as a user's would be: the README shows them). Every page is driven by its keys, names
// swapped (Alt+W ticks the box: it starts unticked in every run), the web pages mapped onto
// two custom fields (a third chosen, then cancelled), one contact unticked by hand; the
// close box is Finish. The run at 144 DPI starts from the settings the first one wrote.
TEST(Wizard, ByFileWithEveryChoiceByKeysAt96And144Dpi) {
    REQUIRE_DISPLAY();
    Wizard w("by_file");
    w.InstallPalmDesktop("palm601");
    const std::string book = "C:\\My Documents\\contacts.vcf";
    const std::string target = "C:\\My Documents\\address.dat";
    ASSERT_TRUE(CopyInto(Sample("contacts.vcf"), book));
    // Jörg Müller once more, by his e-mail and work phone, with more fields to change than a
    // tip lists.
    std::ofstream(book, std::ios::binary | std::ios::app)
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xC3\xBCller;J\xC3\xB6rg;;;\r\nFN:J\xC3\xB6rg M\xC3\xBCller\r\n"
           "EMAIL:j.mueller@kessler.example\r\nTEL;TYPE=WORK:+49 89 5550123\r\nTEL;TYPE=HOME:+49 89 1\r\n"
           "TEL;TYPE=CELL:+49 171 2\r\nTEL;TYPE=FAX:+49 89 3\r\nTITLE:Vorstand\r\nORG:Kessler Holding\r\n"
           "ADR;TYPE=WORK:;;Ring 1;Augsburg;Bayern;86150;Deutschland\r\nNOTE:Moved.\r\nEND:VCARD\r\n";
    ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), target));
    const std::uint32_t work = wab::tag::kBusinessHomepage, home = wab::tag::kPersonalHomepage;
    const wab::CustomFieldMap map = {work, 0, 0, 0, 0, 0, 0, 0, home};
    const Expectation e = Expect(60001, target, book, true, 0, map);
    w.WriteIni("DataMode=1\r\nWabFile=" + book + "\r\nPalmMode=1\r\nPalmFile=" + target + "\r\n");
    const auto alt = [&](char key, int id, bool checked) {
        w.Keys({VK_MENU, static_cast<BYTE>(key)});
        EXPECT_TRUE(WaitUntil([&] { return w.Checked(id) == checked; }, 3000)) << "Alt+" << key;
    };
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), target));
        DeleteFileA((target + ".xbk").c_str());
        ASSERT_TRUE(w.Start(dpi));
        const std::string shot = std::to_string(dpi) + "dpi-";
        const std::vector<bool> options = ExpectPageDrawn(w, kOptions, dpi, shot + "1-options");
        // Of a radio group only the checked button is a stop; greyed controls are none.
        const std::vector<int> stops = {IDC_SPECIFIC_WAB, IDC_WAB_FILE, IDC_WAB_BROWSE,
                                        IDC_BY_FILE, IDC_PALM_FILE, IDC_PALM_BROWSE,
                                        IDC_CHECK_DUPLICATES, IDC_SWAP_NAMES, IDC_HELP_BUTTON,
                                        IDC_NEXT, IDCANCEL};
        ExpectTabsThrough(w, stops);
        ExpectTabsThrough(w, stops, true);
        ASSERT_TRUE(w.TabTo(IDC_SPECIFIC_WAB));  // the arrows move within a group and choose
        for (bool file : {false, true}) {
            const int id = file ? IDC_SPECIFIC_WAB : IDC_CURRENT_WAB;
            w.Keys({static_cast<BYTE>(file ? VK_DOWN : VK_UP)});
            EXPECT_TRUE(WaitUntil([&] {
                return w.Focus() == id && w.Checked(id) && w.Enabled(IDC_WAB_FILE) == file; }));
        }
        const struct { char key; int id; bool checked; } letters[] = {
            {'W', IDC_SWAP_NAMES, true}, {'U', IDC_BY_USER, true}, {'F', IDC_BY_FILE, true},
            {'E', IDC_CURRENT_WAB, true}, {'S', IDC_SPECIFIC_WAB, true},
            {'D', IDC_CHECK_DUPLICATES, false}, {'D', IDC_CHECK_DUPLICATES, true}};
        for (const auto& l : letters) alt(l.key, l.id, l.checked);
        w.Keys({VK_MENU, 'N'});  // the frame's letters work from inside a page
        ASSERT_TRUE(w.WaitForPage(kRecordList));
        const auto record_list = ExpectPageDrawn(w, kRecordList, dpi, shot + "2-record-list");
        EXPECT_NE(record_list, options) << "the caption of the page before";
        ExpectTabsThrough(w, {IDC_DIFFERENT_ONLY, IDC_RECORD_LIST, IDC_CUSTOM_FIELDS_MAPPING,
                              IDC_SELECT_ALL, IDC_CLEAR_ALL, IDC_HELP_BUTTON, IDC_PREV, IDC_NEXT,
                              IDCANCEL});
        const std::vector<bool> none(e.ticked.size(), false), all(e.ticked.size(), true);
        w.Keys({VK_MENU, 'S'});
        EXPECT_TRUE(WaitUntil([&] { return w.Ticks() == all; }));
        w.Keys({VK_MENU, 'C'});  // the page's Clear All, not the frame's Cancel
        EXPECT_TRUE(WaitUntil([&] { return w.Ticks() == none; }));
        alt('D', IDC_DIFFERENT_ONLY, true);  // a rebuild drops the user's ticks
        alt('D', IDC_DIFFERENT_ONLY, false);
        EXPECT_EQ(w.Ticks(), e.ticked);
        ASSERT_TRUE(w.TabTo(IDC_RECORD_LIST));
        w.Keys({VK_HOME});
        w.Keys({VK_SPACE});  // unticks the first row
        w.Keys({VK_MENU, 'F'});
        HWND dialog = w.WaitForTopLevel("Custom Fields Mapping");
        ASSERT_NE(dialog, nullptr);
        for (int k = 0; k < 9; ++k) {
            HWND box = w.Control(IDC_CUSTOM_FIRST + k, dialog);
            EXPECT_TRUE(IsWindowEnabled(box)) << "the newer layout has nine";
            if (map[k]) Send(box, CB_SETCURSEL, wab::FindPropertyRow(map[k]) + 1);
        }
        w.Click(IDOK, dialog);
        ASSERT_TRUE(Wizard::WaitClosed(dialog));
        w.Click(IDC_CUSTOM_FIELDS_MAPPING);
        ASSERT_NE(dialog = w.WaitForTopLevel("Custom Fields Mapping"), nullptr);
        EXPECT_EQ(w.Text(IDC_CUSTOM_FIRST, dialog), "Business Homepage") << "kept";
        Send(w.Control(IDC_CUSTOM_FIRST + 1, dialog), CB_SETCURSEL, 1);
        w.Keys({VK_ESCAPE});  // and cancelled
        ASSERT_TRUE(Wizard::WaitClosed(dialog));
        // A changed row's tip says what converting it would write, the others none.
        for (int row = 0; row < w.RowCount(); ++row)
            if (!e.tips[row].empty() || row == 0) EXPECT_EQ(w.HoverTip(row), e.tips[row]) << row;
        EXPECT_NE(e.tips.back().find(" more"), std::string::npos) << e.tips.back();
        w.Keys({VK_MENU, 'N'});
        ASSERT_TRUE(WaitUntil([&] { return w.CurrentPage() != kRecordList; }));
        Wizard::Screenshot(w.Frame(), shot + "3-progress", 120);
        ASSERT_TRUE(w.WaitForPage(kResult));
        Wizard::Screenshot(w.Frame(), shot + "4-result");
        EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
        EXPECT_EQ(w.Text(IDC_RESULT_COUNT), std::to_string(e.converted));
        EXPECT_EQ(w.Text(IDC_RESULT_USER), "Ann Adams") << "the user box's user, also for a file";
        EXPECT_EQ(w.Text(ResultPage::kReasonId),
                  std::to_string(e.cuts) + " texts were cut to fit their fields.");
        ExpectTabsThrough(w, {IDC_RESULT_FILE, IDC_OPEN_ADDRESS_BOOK, IDC_OPEN_PALM_DESKTOP,
                              IDC_HELP_BUTTON, IDCANCEL});
        w.SetText(IDC_RESULT_COUNT, "100000");  // six digits, whole
        EXPECT_NE(ExpectPageDrawn(w, kResult, dpi, ""), record_list) << "the caption before";
        PostMessageA(w.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box is Finish too
        ASSERT_TRUE(w.WaitForEnd());
        EXPECT_EQ(RecordsOf(target), e.records);
        EXPECT_EQ(FileText(target + ".xbk"), FileText(Sample("address-palmsg.dat")));
        EXPECT_EQ(w.IniValue("PalmFile"), target);
        for (auto [key, value] : {std::pair{"Custom1", work}, {"Custom2", 0u}, {"Custom9", home}})
            EXPECT_EQ(w.IniValue(key), std::to_string(value)) << key;
    }
}

TEST(Wizard, OptionsPageSaysWhyAndBrowsesBesideThePath) {
    REQUIRE_DISPLAY();
    Wizard w("options_page");
    w.InstallPalmDesktop("palm601");
    // No address-book library registered by an earlier test: the current book is unreadable.
    SHDeleteValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", "");
    const std::string notes = w.Folder() + "\\notes.vcf", good = w.Folder() + "\\good.dat";
    const std::string damaged = w.Folder() + "\\damaged.dat", cut = w.Folder() + "\\cut.dat";
    std::ofstream(notes) << "Shopping list: tea, bread.\r\n";
    ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), good));
    std::ofstream(damaged, std::ios::binary)
        << FileText(Sample("address-classic.dat")).substr(0, 300);
    // A file a crash left cut, with its good backup beside it.
    std::ofstream(cut, std::ios::binary) << FileText(good).substr(0, 500);
    ASSERT_TRUE(CopyInto(good, cut + ".xbk"));
    // Unknown modes read as the current book and a target by file; paths are bounded.
    const std::string long_path = "C:\\" + std::string(300, 'w') + ".wab";
    w.WriteIni("DataMode=7\r\nPalmMode=7\r\nWabFile=" + long_path + "\r\nCustom2=-7\r\n");
    ASSERT_TRUE(w.Start());
    EXPECT_TRUE(w.Checked(IDC_CURRENT_WAB) && w.Checked(IDC_BY_FILE));
    EXPECT_EQ(w.Text(IDC_WAB_FILE), long_path.substr(0, 259));
    w.Keys({VK_RETURN});  // Enter does nothing: the frame has no OK
    Sleep(300);
    EXPECT_TRUE(w.CurrentPage() == kOptions && !w.TopLevel("Error"));
    const char* const kContacts = "Invalid Palm Desktop contacts file.";
    const std::string restore = " is at " + cut + ".xbk; copy it over the file to restore it.";
    // No book is the current one, no contacts file a target by user.
    const struct { std::string book, contacts; const char* message; std::string reason; }
        refusals[] = {
            {notes, good, "Invalid Outlook Express Address Book File.", "not a vCard file"},
            {SmallBook(), damaged, kContacts, "Newer layout"},
            {SmallBook(), cut, kContacts, restore},  // naming the good backup
            {SmallBook(), "", kContacts, "address.dat"},  // the user has none yet
            {"", good, "The current Outlook Express address book cannot be read.", ".vcf or .wab"}};
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.reason);
        const int source = c.book.empty() ? IDC_CURRENT_WAB : IDC_SPECIFIC_WAB;
        const int target = c.contacts.empty() ? IDC_BY_USER : IDC_BY_FILE;
        w.Click(source);
        w.Click(target);
        ASSERT_TRUE(WaitUntil([&] { return w.Checked(source) && w.Checked(target); }));
        w.SetText(IDC_WAB_FILE, c.book);
        w.SetText(IDC_PALM_FILE, c.contacts);
        w.Click(IDC_NEXT);
        const std::string text = w.TakeMessageBox();
        EXPECT_EQ(text.rfind(std::string(c.message) + "\n\n", 0), 0u) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_EQ(w.CurrentPage(), kOptions);
    }

    // Each file dialog opens where the path in its box is: a bare name is found there.
    w.Click(IDC_SPECIFIC_WAB);
    w.Click(IDC_BY_FILE);
    const std::string books = w.Folder() + "\\books\\", palm = w.Folder() + "\\palm files\\";
    ASSERT_TRUE(CopyInto(SmallBook(), books + "b.vcf") && CopyInto(good, palm + "y.dat"));
    const struct { int box, browse; const char *title, *filters; std::string folder, name; }
        dialogs[] = {
            {IDC_WAB_FILE, IDC_WAB_BROWSE, "Open Windows Address Book File",
             "Address books (*.wab;*.vcf)|vCard files (*.vcf)|Windows Address Book files (*.wab)|"
             "All files (*.*)|", books, "b.vcf"},
            {IDC_PALM_FILE, IDC_PALM_BROWSE, "Open Palm Desktop Contacts File",
             "Palm Desktop Contacts File(*.dat)|All Files(*.*)|", palm, "y.dat"},
        };
    for (const auto& c : dialogs) {
        SCOPED_TRACE(c.title);
        w.SetText(c.box, c.folder + "new" + c.name);  // not there yet
        w.Click(c.browse);
        HWND dialog = w.WaitForTopLevel(c.title);
        ASSERT_NE(dialog, nullptr);
        HWND types = GetDlgItem(dialog, 0x470);  // "files of type", Unicode inside
        std::string filters;
        for (WPARAM i = 0; i < static_cast<WPARAM>(Send(types, CB_GETCOUNT)); ++i) {
            wchar_t item[128] = {};
            SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            for (const wchar_t* ch = item; *ch; ++ch) filters += static_cast<char>(*ch);
            filters += '|';
        }
        EXPECT_EQ(filters, c.filters);
        HWND name_box = GetDlgItem(dialog, 0x480);  // "file name", an edit or a combo box
        Send(name_box ? name_box : GetDlgItem(dialog, 0x47C), WM_SETTEXT, 0,
             reinterpret_cast<LPARAM>(c.name.c_str()));
        w.Click(IDOK, dialog);
        ASSERT_TRUE(Wizard::WaitClosed(dialog));
        EXPECT_EQ(w.Text(c.box), c.folder + c.name);
    }
    w.Keys({VK_ESCAPE});  // Esc is Cancel, and every setting is written: as the last Next read
    ASSERT_TRUE(w.WaitForEnd());
    const std::pair<const char*, std::string> kept[] = {
        {"DataMode", "0"}, {"WabFile", SmallBook()}, {"PalmMode", "1"}, {"PalmFile", good},
        {"UserID", "1001"}, {"Custom1", "0"}, {"Custom2", "-7"}, {"Custom9", "0"}};
    for (const auto& [key, value] : kept) EXPECT_EQ(w.IniValue(key), value) << key;
}

// Palm Desktop 4.1.1, target by user, converted twice: the first run is paced over half a
// second; the second finds every contact unchanged, unticked and hidden by the filter,
// and refuses to go on with none chosen. Then a Palm Desktop that writes only the newer layout
// converts 2000 contacts, drops the input queued meanwhile, writes nothing and says why.
TEST(Wizard, ClassicFileByUserTwiceThenANewerDesktopRefusesALongRun) {
    REQUIRE_DISPLAY();
    Wizard w("by_user");
    w.InstallPalmDesktop("palm411");
    const std::string target = w.PalmFile("AdamsA");
    ASSERT_TRUE(CopyInto(Sample("address-classic.dat"), target));
    const std::string before = FileText(target);
    const Expectation e = Expect(40101, target, SmallBook());
    w.WriteIni("");
    ASSERT_TRUE(w.Start());
    EXPECT_TRUE(w.Checked(IDC_CURRENT_WAB) && w.Checked(IDC_BY_USER)) << "without settings";
    w.Click(IDC_SPECIFIC_WAB);
    w.SetText(IDC_WAB_FILE, SmallBook());
    ASSERT_TRUE(w.Next(kRecordList));
    EXPECT_EQ(w.Ticks(), e.ticked);
    w.Click(IDC_CUSTOM_FIELDS_MAPPING);
    HWND dialog = w.WaitForTopLevel("Custom Fields Mapping");
    ASSERT_NE(dialog, nullptr);
    for (int id = IDC_CUSTOM_FIRST; id <= IDC_CUSTOM_LAST; ++id)  // the layout has four
        EXPECT_EQ(w.Enabled(id, dialog), id < IDC_CUSTOM_FIRST + 4) << id;
    w.Click(IDCANCEL, dialog);
    ASSERT_TRUE(Wizard::WaitClosed(dialog));
    const DWORD start = GetTickCount();
    ASSERT_TRUE(w.Next(kResult));
    EXPECT_GE(GetTickCount() - start, 450u) << "three contacts take at least 3 x 166 ms";
    EXPECT_EQ(w.Text(IDC_PROGRESS_TEXT), "Converting Cleo Cole ( cleo@cole.example ) ...");
    EXPECT_EQ(Send(w.Control(IDC_PROGRESS_BAR), PBM_GETPOS), 100);
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
    EXPECT_EQ(w.Text(IDC_RESULT_COUNT), "3");
    EXPECT_EQ(w.Text(IDC_RESULT_FILE), SmallBook());
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(RecordsOf(target), e.records);
    EXPECT_EQ(FileText(target + ".xbk"), before) << "the backup holds the file as it was";
    for (auto [key, value] : {std::pair{"PalmMode", "0"}, {"UserID", "1001"}, {"Custom9", "0"}})
        EXPECT_EQ(w.IniValue(key), value) << key;
    const std::string written = FileText(target);

    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.Next(kRecordList));
    EXPECT_EQ(w.Ticks(), std::vector<bool>(3, false)) << "all unchanged";
    w.Click(IDC_DIFFERENT_ONLY);
    EXPECT_TRUE(WaitUntil([&] { return w.RowCount() == 0; })) << "the filter hides them all";
    w.Click(IDC_SELECT_ALL);
    w.Click(IDC_NEXT);
    EXPECT_EQ(w.TakeMessageBox(), "No record is selected. ");
    EXPECT_EQ(w.CurrentPage(), kRecordList);
    ASSERT_TRUE(w.Close());

    w.InstallPalmDesktop("palm601", "[Root]\nFolder=\n[Users]\nCount=1\n[User0]\nID=1001\n"
                                    "Name=Smith & Sons\nDirectory=AdamsA\n");
    const std::string book = w.Folder() + "\\many.vcf";
    std::ofstream cards(book, std::ios::binary);
    for (int i = 1000; i < 3000; ++i)
        cards << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:AT&T Branch " << i << "\r\nEMAIL:b" << i
              << "@att.example\r\nEND:VCARD\r\n";
    cards.close();
    w.WriteIni("DataMode=1\r\nWabFile=" + book + "\r\nPalmMode=0\r\nUserID=1001\r\n");
    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.Next(kRecordList));
    ASSERT_EQ(w.RowCount(), 2000);
    w.Click(IDC_NEXT);
    ASSERT_TRUE(WaitUntil([&] { return w.CurrentPage() != kRecordList; }));
    for (int id : {IDC_PREV, IDC_NEXT, IDCANCEL}) EXPECT_FALSE(w.Enabled(id)) << id;
    // Queued while the wizard converts: a click on Cancel, Esc, and Alt+F (Finish to come).
    w.Click(IDCANCEL);
    w.Keys({VK_ESCAPE});
    w.Keys({VK_MENU, 'F'});
    Wizard::Screenshot(w.Frame(), "long-run-progress", 100);
    ASSERT_EQ(w.CurrentPage(), kProgress) << "the run ended before the input was queued";
    ASSERT_TRUE(w.WaitForPage(kResult, 120000));
    Sleep(500);
    EXPECT_EQ(w.CurrentPage(), kResult);
    Wizard::Screenshot(w.Frame(), "result-refused-save");
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Failed.");
    EXPECT_TRUE(IsWindowVisible(w.Control(ResultPage::kReasonId)));
    EXPECT_NE(w.Text(ResultPage::kReasonId).find("classic layout"), std::string::npos)
        << w.Text(ResultPage::kReasonId);
    EXPECT_EQ(w.Text(IDC_RESULT_COUNT), "2000");
    EXPECT_EQ(w.Text(IDC_RESULT_USER), "Smith & Sons");
    // Names are shown as they are: an '&' is no mnemonic there.
    for (int id : {IDC_PROGRESS_TEXT, IDC_RESULT_USER})
        EXPECT_TRUE(GetWindowLongA(w.Control(id), GWL_STYLE) & SS_NOPREFIX) << id;
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(FileText(target), written) << "nothing was written after the first run";
    EXPECT_EQ(FileText(target + ".xbk"), before) << "nor was the backup made again";
}

// A window finds its object through a marker; a 64-bit address high in the address space
// must survive it whole.
TEST(Wizard, DialogMarkerKeepsAHighAddressWhole) {
    REQUIRE_DISPLAY();
    void* memory = VirtualAlloc(nullptr, 65536, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN,
                                PAGE_READWRITE);
    ASSERT_NE(memory, nullptr);
    auto* probe = new (memory) DialogWindow;
    std::vector<DWORD> words(16, 0);  // a bare template: no controls, no caption
    reinterpret_cast<DLGTEMPLATE*>(words.data())->style = WS_POPUP;
    HWND window = CreateDialogIndirectParamA(
        GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr,
        &DialogWindow::SharedDialogProc, reinterpret_cast<LPARAM>(probe));
    EXPECT_EQ(DialogWindow::FromWindow(window), probe);
    DestroyWindow(window);
    probe->~DialogWindow();
    VirtualFree(memory, 0, MEM_RELEASE);
}

TEST(Wizard, AddressBookProgramGetsTheBookQuotedAndNoRunDividesByZero) {
    EXPECT_EQ(AddressBookParameters(0, "C:\\books\\old.wab"), "") << "the current book";
    EXPECT_EQ(AddressBookParameters(1, "C:\\books\\old.wab"), "C:\\books\\old.wab");
    EXPECT_EQ(AddressBookParameters(1, "C:\\My Books\\a.wab"), "\"C:\\My Books\\a.wab\"");
    EXPECT_EQ(PacingInterval(0), 500u);
}

}  // namespace
}  // namespace tarvenne::testing
