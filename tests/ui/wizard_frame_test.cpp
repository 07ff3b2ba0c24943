// The wizard as a person uses it, by keys and clicks: the keyboard on every page, why a
// load was refused, the file dialogs, the settings kept, Esc and the close box, input
// during a long run, and every page at 96 and 144 DPI.
#include "tests/ui/wine_driver.h"

#include <algorithm>

namespace tarvenne::testing {
namespace {

std::string Sample(const char* name) { return SourceFile(std::string("samples/") + name); }
std::string SmallBook() { return SourceFile("tests/ui/small_book.vcf"); }

// Tab (or Shift+Tab) once per expected stop: from wherever the focus was, the stops must
// follow the cycle.
::testing::AssertionResult TabsThrough(const Wizard& w, std::vector<int> cycle, bool back) {
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
    auto out = seen == cycle ? ::testing::AssertionSuccess() : ::testing::AssertionFailure();
    for (int id : seen) out << id << ' ';
    return out;
}

void AltUntilChecked(const Wizard& w, char key, int id, bool checked) {
    w.Keys({VK_MENU, static_cast<WORD>(key)});
    EXPECT_TRUE(WaitUntil([&] { return w.Checked(id) == checked; }, 3000)) << "Alt+" << key;
}

TEST(WizardFrame, KeyboardReachesEveryControlOfEveryPage) {
    REQUIRE_DISPLAY();
    Wizard w("keyboard");
    w.InstallPalmDesktop("palm601");
    const std::string target = w.Folder() + "\\address.dat";
    ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), target));
    w.WriteIni("DataMode=1\r\nWabFile=" + SmallBook() + "\r\nPalmMode=1\r\nPalmFile=" + target +
               "\r\n");
    ASSERT_TRUE(w.Start());
    // Of a radio group only the checked button is a stop; greyed controls are none.
    const std::vector<int> options = {IDC_SPECIFIC_WAB, IDC_WAB_FILE, IDC_WAB_BROWSE, IDC_BY_FILE,
                                      IDC_PALM_FILE, IDC_PALM_BROWSE, IDC_CHECK_DUPLICATES,
                                      IDC_SWAP_NAMES, IDC_HELP_BUTTON, IDC_NEXT, IDCANCEL};
    EXPECT_TRUE(TabsThrough(w, options, false));
    EXPECT_TRUE(TabsThrough(w, options, true));
    // The arrows move within a group, and choose the button they reach.
    ASSERT_TRUE(WaitUntil([&] { return w.Focus() == IDC_SPECIFIC_WAB || (w.Keys({VK_TAB}), 0); }));
    w.Keys({VK_UP});
    EXPECT_TRUE(WaitUntil([&] { return w.Checked(IDC_CURRENT_WAB) && !w.Enabled(IDC_WAB_FILE); }));
    w.Keys({VK_DOWN});
    EXPECT_TRUE(WaitUntil([&] { return w.Checked(IDC_SPECIFIC_WAB) && w.Enabled(IDC_WAB_FILE); }));
    const struct { char key; int id; bool checked; } letters[] = {
        {'W', IDC_SWAP_NAMES, true}, {'W', IDC_SWAP_NAMES, false}, {'U', IDC_BY_USER, true},
        {'F', IDC_BY_FILE, true}, {'E', IDC_CURRENT_WAB, true}, {'S', IDC_SPECIFIC_WAB, true},
        {'D', IDC_CHECK_DUPLICATES, false}, {'D', IDC_CHECK_DUPLICATES, true}};
    for (const auto& l : letters) AltUntilChecked(w, l.key, l.id, l.checked);
    EXPECT_TRUE(w.Enabled(IDC_PALM_FILE) && !w.Enabled(IDC_USER_BOX));
    w.Keys({VK_MENU, 'N'});  // the frame's letters work from inside a page
    ASSERT_TRUE(w.WaitForPage(kRecordList));

    EXPECT_TRUE(TabsThrough(w, {IDC_DIFFERENT_ONLY, IDC_RECORD_LIST, IDC_CUSTOM_FIELDS_MAPPING,
                                IDC_SELECT_ALL, IDC_CLEAR_ALL, IDC_HELP_BUTTON, IDC_PREV,
                                IDC_NEXT, IDCANCEL}, false));
    ASSERT_EQ(w.RowCount(), 3);
    w.Keys({VK_MENU, 'C'});  // the page's Clear All, not the frame's Cancel
    EXPECT_TRUE(WaitUntil([&] { return !w.RowChecked(0) && !w.RowChecked(2); }, 3000));
    w.Keys({VK_MENU, 'S'});
    EXPECT_TRUE(WaitUntil([&] { return w.RowChecked(0) && w.RowChecked(2); }, 3000));
    AltUntilChecked(w, 'D', IDC_DIFFERENT_ONLY, true);
    AltUntilChecked(w, 'D', IDC_DIFFERENT_ONLY, false);
    w.Keys({VK_MENU, 'F'});
    HWND dialog = w.WaitForTopLevel("Custom Fields Mapping");
    ASSERT_NE(dialog, nullptr);
    w.Keys({VK_ESCAPE});
    ASSERT_TRUE(Wizard::WaitClosed(dialog));
    EXPECT_EQ(w.CurrentPage(), kRecordList);

    w.Keys({VK_MENU, 'N'});
    ASSERT_TRUE(w.WaitForPage(kResult));
    EXPECT_TRUE(TabsThrough(w, {IDC_RESULT_FILE, IDC_OPEN_ADDRESS_BOOK, IDC_OPEN_PALM_DESKTOP,
                                IDC_HELP_BUTTON, IDCANCEL}, false));
    w.Keys({VK_MENU, 'F'});  // no control of this page has F: Finish
    EXPECT_TRUE(w.WaitForEnd());
}

TEST(WizardFrame, OptionsPageSaysWhyAndBrowsesBesideThePath) {
    REQUIRE_DISPLAY();
    Wizard w("options_page");
    w.InstallPalmDesktop("palm601");
    // No address-book library registered by an earlier test: the current book is unreadable.
    HKEY wab = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", 0, KEY_SET_VALUE, &wab) == ERROR_SUCCESS) {
        RegDeleteValueA(wab, "");
        RegCloseKey(wab);
    }
    const std::string notes = w.Folder() + "\\notes.vcf", good = w.Folder() + "\\good.dat";
    const std::string damaged = w.Folder() + "\\damaged.dat";
    std::ofstream(notes) << "Shopping list: tea, bread.\r\n";
    ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), good));
    const std::string classic = ReadAll(Sample("address-classic.dat"));
    std::ofstream(damaged, std::ios::binary) << classic.substr(0, 300);
    // A file a crash left cut, with its good backup beside it.
    const std::string cut = w.Folder() + "\\cut.dat";
    std::ofstream(cut, std::ios::binary) << ReadAll(Sample("address-palmsg.dat")).substr(0, 500);
    ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), cut + ".xbk"));
    // Unknown modes read as the current book and a target by file; paths are bounded.
    const std::string long_path = "C:\\" + std::string(300, 'w') + ".wab";
    w.WriteIni("DataMode=7\r\nPalmMode=7\r\nWabFile=" + long_path + "\r\nCustom2=-7\r\n");
    ASSERT_TRUE(w.Start());
    EXPECT_TRUE(w.Checked(IDC_CURRENT_WAB) && w.Checked(IDC_BY_FILE));
    EXPECT_EQ(w.Text(IDC_WAB_FILE), long_path.substr(0, 259));
    w.Keys({VK_RETURN});  // Enter does nothing: the frame has no OK
    Sleep(300);
    EXPECT_EQ(w.CurrentPage(), kOptions);
    EXPECT_EQ(w.TopLevel("Error"), nullptr);
    const char* const kBook = "Invalid Outlook Express Address Book File.";
    const char* const kContacts = "Invalid Palm Desktop contacts file.";
    const struct {
        int source;
        std::string book;
        int target;
        std::string contacts;
        const char* message;
        std::string reason;
    } refusals[] = {
        {IDC_SPECIFIC_WAB, notes, IDC_BY_FILE, good, kBook, "not a vCard file"},
        {IDC_SPECIFIC_WAB, SmallBook(), IDC_BY_FILE, damaged, kContacts, "Newer layout"},
        {IDC_SPECIFIC_WAB, SmallBook(), IDC_BY_FILE, cut, kContacts,
         " is at " + cut + ".xbk; copy it over the file to restore it."},
        {IDC_SPECIFIC_WAB, SmallBook(), IDC_BY_USER, "", kContacts, "address.dat"},  // none yet
        {IDC_CURRENT_WAB, "", IDC_BY_FILE, good,
         "The current Outlook Express address book cannot be read.", ".vcf or .wab file"},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.reason);
        w.Click(c.source);
        w.Click(c.target);
        ASSERT_TRUE(WaitUntil([&] { return w.Checked(c.source) && w.Checked(c.target); }));
        w.SetText(IDC_WAB_FILE, c.book);
        w.SetText(IDC_PALM_FILE, c.contacts);
        w.Click(IDC_NEXT);
        const std::string text = w.TakeMessageBox("refused-" + std::to_string(&c - refusals));
        EXPECT_EQ(text.rfind(std::string(c.message) + "\n\n", 0), 0u) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_EQ(w.CurrentPage(), kOptions);
    }

    // Each file dialog opens where the path in its box is: a bare name is found there.
    w.Click(IDC_SPECIFIC_WAB);
    w.Click(IDC_BY_FILE);
    const std::string books = w.Folder() + "\\books\\", palm = w.Folder() + "\\palm files\\";
    ASSERT_TRUE(CopyInto(SmallBook(), books + "b.vcf") && CopyInto(good, palm + "y.dat"));
    const struct {
        int box, browse;
        const char* title;
        std::vector<std::string> filters;
        std::string in_box, chosen;
    } dialogs[] = {
        {IDC_WAB_FILE, IDC_WAB_BROWSE, "Open Windows Address Book File",
         {"Address books (*.wab;*.vcf)", "vCard files (*.vcf)",
          "Windows Address Book files (*.wab)", "All files (*.*)"},
         books + "a.vcf", books + "b.vcf"},
        {IDC_PALM_FILE, IDC_PALM_BROWSE, "Open Palm Desktop Contacts File",
         {"Palm Desktop Contacts File(*.dat)", "All Files(*.*)"}, palm + "x.dat", palm + "y.dat"},
    };
    for (const auto& c : dialogs) {
        SCOPED_TRACE(c.title);
        w.SetText(c.box, c.in_box);
        w.Click(c.browse);
        HWND dialog = w.WaitForTopLevel(c.title);
        ASSERT_NE(dialog, nullptr);
        HWND types = GetDlgItem(dialog, 0x470);  // "files of type", Unicode inside
        std::vector<std::string> filters(static_cast<std::size_t>(Send(types, CB_GETCOUNT)));
        for (std::size_t i = 0; i < filters.size(); ++i) {
            wchar_t item[128] = {};
            SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            for (const wchar_t* ch = item; *ch; ++ch) filters[i] += static_cast<char>(*ch);
        }
        EXPECT_EQ(filters, c.filters);
        const std::string name = c.chosen.substr(c.chosen.rfind('\\') + 1);
        HWND name_box = GetDlgItem(dialog, 0x480);  // "file name", an edit or a combo box
        Send(name_box ? name_box : GetDlgItem(dialog, 0x47C), WM_SETTEXT, 0,
             reinterpret_cast<LPARAM>(name.c_str()));
        w.Click(IDOK, dialog);
        ASSERT_TRUE(Wizard::WaitClosed(dialog));
        EXPECT_EQ(w.Text(c.box), c.chosen);
    }
    w.Keys({VK_ESCAPE});  // Esc is Cancel, and every setting is written
    ASSERT_TRUE(w.WaitForEnd());
    for (const char* key : {"DataMode", "PalmMode", "PalmFile", "UserID", "Custom1", "Custom3",
                            "Custom4", "Custom5", "Custom6", "Custom7", "Custom8", "Custom9"})
        EXPECT_NE(w.IniValue(key), "<missing>") << key;
    EXPECT_EQ(w.IniValue("WabFile"), SmallBook()) << "what the refused Next read is kept";
    EXPECT_EQ(w.IniValue("Custom2"), "-7");
}

TEST(WizardFrame, InputDuringALongRunIsDropped) {
    REQUIRE_DISPLAY();
    Wizard w("long_run");
    w.InstallPalmDesktop("palm601", "[Root]\nFolder=\n[Users]\nCount=1\n[User0]\nID=1001\n"
                                    "Name=Smith & Sons\nDirectory=AdamsA\n");
    ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), w.PalmFile("AdamsA")));
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
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
    EXPECT_EQ(w.Text(IDC_RESULT_USER), "Smith & Sons");
    // Names are shown as they are: an '&' is no mnemonic there.
    for (int id : {IDC_PROGRESS_TEXT, IDC_RESULT_USER})
        EXPECT_TRUE(GetWindowLongA(w.Control(id), GWL_STYLE) & SS_NOPREFIX) << id;
    Wizard::Screenshot(w.Frame(), "long-run-result");
    EXPECT_EQ(w.Text(IDC_RESULT_COUNT), "2000");
    EXPECT_TRUE(w.Close());
}

// The shown page as drawn at dpi: the band to its scaled height, white to light blue above
// the button face, and every text of the page and of the frame's buttons fitting its
// control, as measured here in the dialog's font (Verdana, 8 points). Returns what the
// caption rows show, dark pixel by dark pixel.
std::vector<bool> ExpectPageDrawn(const Wizard& w, int page, int dpi) {
    RECT client = {};
    GetClientRect(w.Frame(), &client);
    MapWindowPoints(w.Frame(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int band = client.top + MulDiv(65, dpi, 96);
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(nullptr);
    const COLORREF left = GetPixel(screen, client.left + 2, band - 2);
    const COLORREF right = GetPixel(screen, client.right - 3, band - 2);
    EXPECT_TRUE(GetRValue(left) > 250 && GetBValue(left) > 250) << std::hex << left;
    EXPECT_TRUE(GetRValue(right) < 200 && GetBValue(right) > 250) << std::hex << right;
    EXPECT_EQ(GetPixel(screen, client.right - 3, band + 1), GetSysColor(COLOR_BTNFACE));
    std::vector<bool> ink;
    for (int y = client.top + MulDiv(34, dpi, 96); y < client.top + MulDiv(50, dpi, 96); ++y)
        for (int x = client.left; x < client.right; ++x)
            ink.push_back(GetRValue(GetPixel(screen, x, y)) < 100);
    EXPECT_GT(std::count(ink.begin(), ink.end(), true), 100) << "no caption";

    HFONT font = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0,
                             "Verdana");
    HGDIOBJ old = SelectObject(dc, font);
    for (HWND parent : {w.PageWindow(page), w.Frame()}) {
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

TEST(WizardFrame, EveryPageAt96And144Dpi) {
    REQUIRE_DISPLAY();
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        Wizard w("dpi" + std::to_string(dpi));
        w.InstallPalmDesktop("palm601");
        // Short paths on the prefix's drive C:, as a user's would be (the README shows them).
        const std::string book = "C:\\My Documents\\contacts.vcf";
        const std::string target = "C:\\My Documents\\address.dat";
        ASSERT_TRUE(CopyInto(Sample("contacts.vcf"), book));
        ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), target));
        w.WriteIni("DataMode=1\r\nWabFile=" + book + "\r\nPalmMode=1\r\nPalmFile=" + target +
                   "\r\n");
        ASSERT_TRUE(w.Start(dpi));
        const std::string shot = std::to_string(dpi) + "dpi-";
        Wizard::Screenshot(w.Frame(), shot + "1-options");
        const std::vector<bool> options = ExpectPageDrawn(w, kOptions, dpi);
        ASSERT_TRUE(w.Next(kRecordList));
        Wizard::Screenshot(w.Frame(), shot + "2-record-list");
        const std::vector<bool> record_list = ExpectPageDrawn(w, kRecordList, dpi);
        EXPECT_NE(record_list, options) << "the caption of the page before";
        w.Click(IDC_NEXT);
        ASSERT_TRUE(WaitUntil([&] { return w.CurrentPage() != kRecordList; }));
        Wizard::Screenshot(w.Frame(), shot + "3-progress", 120);
        ASSERT_TRUE(w.WaitForPage(kResult));
        Wizard::Screenshot(w.Frame(), shot + "4-result");
        w.SetText(IDC_RESULT_COUNT, "100000");  // six digits, whole
        EXPECT_NE(ExpectPageDrawn(w, kResult, dpi), record_list) << "the caption before";
        PostMessageA(w.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box is Finish too
        EXPECT_TRUE(w.WaitForEnd());
    }
}

}  // namespace
}  // namespace tarvenne::testing
