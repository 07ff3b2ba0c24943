// The wizard as a person uses it, by keys and clicks, against stand-in Palm Desktop
// installations: conversions by file and by user checked record by record against the
// engine, the keyboard and every page at 96 and 144 DPI, the record list's ticks through
// the filter, the sorting and new markings, the result page after a success and after a
// save another program prevented, input during a long run; and rules that need no wizard.
#include "palminstall/palm_desktop_locator.h"
#include "tests/testbed_program.h"
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

// The ticks after the contacts were marked again: kept where a contact's status stayed, the
// new status's default where it changed; *reset counts the ticks that changed so.
std::vector<bool> MarkedAgain(std::vector<bool> ticks, const Expectation& before, const Expectation& after,
                              int* reset) {
    *reset = 0;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        if (before.status[i] == after.status[i]) continue;
        *reset += ticks[i] != after.ticked[i];
        ticks[i] = after.ticked[i];
    }
    return ticks;
}

std::string TickedLine(const std::vector<bool>& ticks, std::size_t contacts) {
    return std::to_string(std::count(ticks.begin(), ticks.end(), true)) + " of " + std::to_string(contacts) +
           " contacts ticked";
}

std::string ResetLine(int reset) {
    return reset == 0 ? "" : reset == 1 ? "1 tick was reset: that contact compares differently now."
                                        : std::to_string(reset) + " ticks were reset: those contacts compare differently now.";
}

// How many lines of the border's colour a button has at its top edge, at its middle.
int EdgeLines(const Wizard& w, int id, HWND top = nullptr) {
    RECT r = {};
    GetWindowRect(w.Control(id, top), &r);
    HDC screen = GetDC(nullptr);
    int lines = 0;
    while (lines < 8 && GetPixel(screen, (r.left + r.right) / 2, r.top + lines) == GetSysColor(COLOR_HIGHLIGHT)) ++lines;
    ReleaseDC(nullptr, screen);
    return lines;
}

// A text's width in the dialogs' font (Verdana, 8 points) at dpi.
int TextWidth(const std::string& text, int dpi) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana"));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
    return size.cx;
}

// Palm Desktop 6.0.1, target by a path with a blank (short paths on the prefix's drive C:,
// as a user's would be: the README shows them). Every page is driven by its keys, names
// swapped (Alt+W ticks the box: it starts unticked in every run; at 96 DPI it is unticked and
// ticked again on the way, which marks the contacts twice more), the web pages mapped onto two
// custom fields (a third chosen, then cancelled), one contact unticked by hand and kept so
// through the filter and Prev and Next; Finish by the close box and by Enter. The run at 144 DPI starts from the settings the first one wrote.
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
    const Expectation unmapped = Expect(60001, target, book, true, 0), unswapped = Expect(60001, target, book, false);
    const Expectation e = Expect(60001, target, book, true, 0, map);
    w.WriteIni("DataMode=1\r\nWabFile=" + book + "\r\nPalmMode=1\r\nPalmFile=" + target + "\r\n");
    const auto alt = [&](char key, int id, bool checked) {
        w.Keys({VK_MENU, static_cast<BYTE>(key)});
        EXPECT_TRUE(WaitUntil([&] { return w.Checked(id) == checked; }, 3000)) << "Alt+" << key;
    };
    const auto ticks_are = [&](const std::vector<bool>& ticks, const std::string& reset_line) {
        EXPECT_TRUE(WaitUntil([&] { return w.Ticks() == ticks; }, 3000));
        EXPECT_EQ(w.Text(IDC_TICKED_COUNT), TickedLine(ticks, ticks.size()));
        EXPECT_EQ(w.Text(IDC_TICKS_RESET), reset_line);
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
        // Enter is Next wherever the focus is but on another button; the frame's letters
        // work from inside a page too.
        dpi == 96 ? w.Keys({VK_RETURN}) : w.Keys({VK_MENU, 'N'});
        ASSERT_TRUE(w.WaitForPage(kRecordList));
        const auto record_list = ExpectPageDrawn(w, kRecordList, dpi, shot + "2-record-list");
        EXPECT_NE(record_list, options) << "the caption of the page before";
        ExpectTabsThrough(w, {IDC_DIFFERENT_ONLY, IDC_RECORD_LIST, IDC_CUSTOM_FIELDS_MAPPING,
                              IDC_SELECT_ALL, IDC_CLEAR_ALL, IDC_HELP_BUTTON, IDC_PREV, IDC_NEXT,
                              IDCANCEL});
        const Expectation& first = dpi == 96 ? unmapped : e;
        ticks_are(first.ticked, "");
        // The names column is as wide as the longest name, with the check box before it.
        int longest = 0;
        for (const std::string& name : first.names) longest = std::max(longest, TextWidth(name, dpi));
        EXPECT_GE(w.ColumnWidth(0), longest + 16 + 4);
        EXPECT_LE(w.ColumnWidth(0), longest + MulDiv(48, dpi, 96));
        int reset = 0;
        std::string note;  // what the page says of the last new marking
        if (dpi == 96) {
            // Marked again without, then with, the names swapped.
            std::vector<bool> ticks = first.ticked;
            for (const bool swap : {false, true}) {
                w.Click(IDC_PREV);
                ASSERT_TRUE(w.WaitForPage(kOptions));
                alt('W', IDC_SWAP_NAMES, swap);
                w.Keys({VK_RETURN});
                ASSERT_TRUE(w.WaitForPage(kRecordList));
                ticks = MarkedAgain(ticks, swap ? unswapped : first, swap ? first : unswapped, &reset);
                EXPECT_GT(reset, 0) << "the sample's names compare otherwise when swapped";
                ticks_are(ticks, note = ResetLine(reset));
            }
            ASSERT_EQ(ticks, first.ticked);
        }
        // The button Enter presses has the heavier border: Next while the focus is in the list,
        // Prev once it has the focus.
        ASSERT_TRUE(w.TabTo(IDC_RECORD_LIST));
        EXPECT_TRUE(WaitUntil([&] { return EdgeLines(w, IDC_NEXT) > EdgeLines(w, IDC_PREV); }, 3000));
        ASSERT_TRUE(w.TabTo(IDC_PREV));
        EXPECT_TRUE(WaitUntil([&] { return EdgeLines(w, IDC_PREV) > EdgeLines(w, IDC_NEXT); }, 3000));
        // One contact unticked by hand stays so through the filter, and Prev and Next with
        // the same files.
        std::vector<bool> ticks = first.ticked;
        ticks[0] = false;
        ASSERT_TRUE(w.TabTo(IDC_RECORD_LIST));
        w.Keys({VK_HOME});
        w.Keys({VK_SPACE});
        ticks_are(ticks, note);
        alt('D', IDC_DIFFERENT_ONLY, true);
        std::vector<bool> differing;
        for (std::size_t i = 0; i < ticks.size(); ++i)
            if (first.status[i] != 0) differing.push_back(ticks[i]);
        EXPECT_TRUE(WaitUntil([&] { return w.Ticks() == differing; }, 3000));
        alt('D', IDC_DIFFERENT_ONLY, false);
        ticks_are(ticks, note);
        w.Keys({VK_MENU, 'P'});
        ASSERT_TRUE(w.WaitForPage(kOptions));
        w.Keys({VK_MENU, 'N'});
        ASSERT_TRUE(w.WaitForPage(kRecordList));
        ticks_are(ticks, note = "");

        w.Keys({VK_MENU, 'F'});
        HWND dialog = w.WaitForTopLevel("Custom Fields Mapping");
        ASSERT_NE(dialog, nullptr);
        int widest = TextWidth("None", dpi);
        for (std::size_t row = 0; row < wab::kPropertyCount; ++row)
            widest = std::max(widest, TextWidth(wab::PropertyTable()[row].name, dpi));
        for (int k = 0; k < 9; ++k) {
            HWND box = w.Control(IDC_CUSTOM_FIRST + k, dialog);
            EXPECT_TRUE(IsWindowEnabled(box)) << "the newer layout has nine";
            // The lists drop down wide enough for "Callback Telephone Number".
            EXPECT_GE(Send(box, CB_GETDROPPEDWIDTH), widest + GetSystemMetrics(SM_CXVSCROLL)) << k;
            if (map[k]) Send(box, CB_SETCURSEL, wab::FindPropertyRow(map[k]) + 1);
        }
        Wizard::Screenshot(dialog, shot + "custom-fields");
        w.Click(IDOK, dialog);
        ASSERT_TRUE(Wizard::WaitClosed(dialog));
        // A new mapping marks the contacts again: a tick stays where the status does.
        ticks = MarkedAgain(ticks, first, e, &reset);
        if (&first != &e) note = ResetLine(reset);
        ticks_are(ticks, note);
        w.Click(IDC_CUSTOM_FIELDS_MAPPING);
        ASSERT_NE(dialog = w.WaitForTopLevel("Custom Fields Mapping"), nullptr);
        EXPECT_EQ(w.Text(IDC_CUSTOM_FIRST, dialog), "Business Homepage") << "kept";
        Send(w.Control(IDC_CUSTOM_FIRST + 1, dialog), CB_SETCURSEL, 1);
        if (dpi == 96) {
            w.Keys({VK_ESCAPE});  // and cancelled
        } else {
            ASSERT_TRUE(w.TabTo(IDCANCEL));  // or cancelled by Enter on Cancel, which looks so
            EXPECT_TRUE(WaitUntil([&] { return EdgeLines(w, IDCANCEL, dialog) > EdgeLines(w, IDOK, dialog); }, 3000));
            w.Keys({VK_RETURN});
        }
        ASSERT_TRUE(Wizard::WaitClosed(dialog));
        ticks_are(ticks, note);
        // A changed row's tip says what converting it would write, the others none.
        for (int row = 0; row < w.RowCount(); ++row)
            if (!e.tips[row].empty() || row == 0) { EXPECT_EQ(w.HoverTip(row), e.tips[row]) << row; }
        EXPECT_TRUE(Contains(e.tips.back(), " more"));
        w.Keys({VK_MENU, 'N'});
        ASSERT_TRUE(WaitUntil([&] { return w.CurrentPage() != kRecordList; }));
        Wizard::Screenshot(w.Frame(), shot + "3-progress", 120);
        ASSERT_TRUE(w.WaitForPage(kResult));
        Wizard::Screenshot(w.Frame(), shot + "4-result");
        EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Succeeded.");
        EXPECT_EQ(w.Text(IDC_RESULT_COUNT), std::to_string(e.converted));
        EXPECT_EQ(w.Text(IDC_RESULT_USER), "Ann Adams") << "the user box's user, also for a file";
        EXPECT_EQ(w.Text(IDC_RESULT_CONTACTS), target);
        EXPECT_EQ(w.Text(IDC_RESULT_BACKUP), target + ".xbk");
        EXPECT_EQ(w.Text(IDC_RESULT_REASON), std::to_string(e.cut_lines.size()) + " values were not kept whole.");
        ExpectTabsThrough(w, {IDC_RESULT_FILE, IDC_RESULT_CONTACTS, IDC_RESULT_BACKUP, IDC_RESULT_DETAILS,
                              IDC_OPEN_ADDRESS_BOOK, IDC_OPEN_PALM_DESKTOP, IDC_HELP_BUTTON, IDCANCEL});
        // Details lists every value not kept whole, to select and copy.
        w.Keys({VK_MENU, 'E'});
        ASSERT_NE(dialog = w.WaitForTopLevel("Values Not Kept Whole"), nullptr);
        std::string lines;
        for (const std::string& line : e.cut_lines) lines += line + "\r\n";
        EXPECT_EQ(w.Text(IDC_DETAILS_TEXT, dialog), lines.substr(0, 1023));
        ExpectPageDrawn(w, kResult, dpi, "");  // the page behind stays as it was
        Wizard::Screenshot(dialog, shot + "details");
        OpenClipboard(nullptr);
        EmptyClipboard();
        CloseClipboard();
        w.Keys({VK_MENU, 'C'});
        std::string copied;
        WaitUntil([&] {
            if (!OpenClipboard(nullptr)) return false;
            HANDLE data = GetClipboardData(CF_TEXT);
            if (const char* text = data ? static_cast<const char*>(GlobalLock(data)) : nullptr) {
                copied = text;
                GlobalUnlock(data);
            }
            CloseClipboard();
            return !copied.empty();
        }, 3000);
        EXPECT_EQ(copied, lines);
        w.Keys({VK_ESCAPE});
        ASSERT_TRUE(Wizard::WaitClosed(dialog));
        w.SetText(IDC_RESULT_COUNT, "100000");  // six digits, whole
        EXPECT_NE(ExpectPageDrawn(w, kResult, dpi, ""), record_list) << "the caption before";
        if (dpi == 96) {
            PostMessageA(w.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box is Finish too
        } else {
            ASSERT_TRUE(w.TabTo(IDC_RESULT_FILE));
            w.Keys({VK_RETURN});  // as Enter is, on the last page
        }
        ASSERT_TRUE(w.WaitForEnd());
        EXPECT_EQ(RecordsOf(target), e.records);
        EXPECT_EQ(FileText(target + ".xbk"), FileText(Sample("address-palmsg.dat")));
        EXPECT_EQ(w.IniValue("PalmFile"), target);
        for (auto [key, value] : {std::pair{"Custom1", work}, {"Custom2", 0u}, {"Custom9", home}})
            EXPECT_EQ(w.IniValue(key), std::to_string(value)) << key;
    }
}

// Palm Desktop 4.1.1, target by user, converted twice: the first run is paced over half a
// second, after sorting by the headings, several rows ticked at once by Space and single
// ones by a click, refused while Palm Desktop runs and, the file written meanwhile by
// another program, not saved but started again; the second finds every contact unchanged, unticked and hidden by the
// filter, refuses to go on with none chosen, and asks before quitting. Then a run of 2001
// contacts (at 144 DPI, one name wider than the list) drops the input queued meanwhile and,
// the file held by another program when it is to be written, writes nothing and says why.
TEST(Wizard, ClassicFileByUserTwiceThenALongRunThatCannotWrite) {
    REQUIRE_DISPLAY();
    Wizard w("by_user");
    w.InstallPalmDesktop("palm411");
    const std::string target = w.PalmFile("AdamsA");
    ASSERT_TRUE(CopyInto(Sample("address-classic.dat"), target));
    std::ofstream(target + ".xbk", std::ios::binary | std::ios::trunc) << "an earlier backup";
    const std::string before = FileText(target);
    const Expectation e = Expect(40101, target, SmallBook());
    w.WriteIni("");
    ASSERT_TRUE(w.Start());
    EXPECT_TRUE(w.Checked(IDC_CURRENT_WAB) && w.Checked(IDC_BY_USER)) << "without settings";
    w.Click(IDC_SPECIFIC_WAB);
    w.SetText(IDC_WAB_FILE, SmallBook());
    ASSERT_TRUE(w.Next(kRecordList));
    EXPECT_EQ(w.Ticks(), e.ticked);
    EXPECT_EQ(w.Text(IDC_TICKED_COUNT), TickedLine(e.ticked, 3));
    // Sorted by a heading, then backwards; the ticks go with their contacts.
    const auto tick_of = [&](const std::string& name) {
        return e.ticked[std::find(e.names.begin(), e.names.end(), name) - e.names.begin()];
    };
    const struct { int column; std::vector<std::string> names; } sorts[] = {
        {1, {"Cleo Cole", "Ann Archer", "Bert Baker"}},  // no work phone first
        {1, {"Bert Baker", "Ann Archer", "Cleo Cole"}},
        {0, {"Ann Archer", "Bert Baker", "Cleo Cole"}}};
    for (const auto& sort : sorts) {
        w.ClickHeading(sort.column);
        EXPECT_TRUE(WaitUntil([&] { return w.Names() == sort.names; }, 3000)) << sort.column;
        std::vector<bool> ticks;
        for (const std::string& name : sort.names) ticks.push_back(tick_of(name));
        EXPECT_EQ(w.Ticks(), ticks);
    }
    // Typing a name's first letter goes to it.
    ASSERT_TRUE(w.TabTo(IDC_RECORD_LIST));
    w.Keys({'C'});
    EXPECT_TRUE(WaitUntil([&] { return Send(w.List(), LVM_GETNEXTITEM, -1, LVNI_FOCUSED) == 2; }, 3000));
    // Space gives every selected row the opposite of the focused row's tick.
    w.Keys({VK_HOME});
    w.Keys({VK_SHIFT, VK_END});
    w.Keys({VK_SPACE});
    EXPECT_TRUE(WaitUntil([&] { return w.Ticks() == std::vector<bool>(3, !e.ticked[2]); }, 3000));
    EXPECT_EQ(w.Text(IDC_TICKED_COUNT), TickedLine(std::vector<bool>(3, !e.ticked[2]), 3));
    // A click on a check box ticks that row alone.
    for (int row = 0; row < 3; ++row)
        if (w.Ticks()[row] != e.ticked[row]) w.ClickCheckBox(row);
    EXPECT_TRUE(WaitUntil([&] { return w.Ticks() == e.ticked; }, 3000));
    w.Click(IDC_CUSTOM_FIELDS_MAPPING);
    HWND dialog = w.WaitForTopLevel("Custom Fields Mapping");
    ASSERT_NE(dialog, nullptr);
    for (int id = IDC_CUSTOM_FIRST; id <= IDC_CUSTOM_LAST; ++id)  // the layout has four
        EXPECT_EQ(w.Enabled(id, dialog), id < IDC_CUSTOM_FIRST + 4) << id;
    w.Click(IDCANCEL, dialog);
    ASSERT_TRUE(Wizard::WaitClosed(dialog));
    // Palm Desktop running would undo the conversion when it closes: Retry asks again while
    // it runs, Cancel stays on the page.
    const std::string changed = [&] {
        std::string bytes = before;
        bytes[bytes.find("Berger") + 1] = 'u';
        return bytes;
    }();
    {
        RunningTestbedProgram palm(w.Folder() + "\\palm\\palm.exe");
        ASSERT_TRUE(palm.Started());
        w.Click(IDC_NEXT);
        EXPECT_EQ(w.Answer("Error"), kPalmDesktopRunningMessage) << "Retry while it runs";
        EXPECT_EQ(w.Answer("Error", VK_ESCAPE), kPalmDesktopRunningMessage) << "then Cancel";
        EXPECT_EQ(w.CurrentPage(), kRecordList);
        // Meanwhile another program (HotSync, say) writes the file: the save must not
        // overwrite what it wrote.
        std::ofstream(target, std::ios::binary | std::ios::trunc) << changed;
        w.Click(IDC_NEXT);
        ASSERT_NE(w.WaitForTopLevel("Error"), nullptr);
        palm.Stop();
        EXPECT_EQ(w.Answer("Error"), kPalmDesktopRunningMessage) << "Retry once it has ended goes on";
    }
    ASSERT_TRUE(w.WaitForPage(kResult));
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Failed: nothing was written.");
    EXPECT_TRUE(Contains(w.Text(IDC_RESULT_REASON), "changed by another program"));
    EXPECT_EQ(FileText(target), changed);
    EXPECT_EQ(FileText(target + ".xbk"), "an earlier backup") << "the backup left as it was";
    // Started again from the options page, the run reads the file as it is now.
    Wizard::Screenshot(w.Frame(), "result-changed-on-disk");
    ASSERT_TRUE(IsWindowVisible(w.Control(IDC_RESULT_START_AGAIN)));
    w.Click(IDC_RESULT_START_AGAIN);
    ASSERT_TRUE(w.WaitForPage(kOptions));
    const Expectation again = Expect(40101, target, SmallBook());
    ASSERT_TRUE(w.Next(kRecordList));
    EXPECT_EQ(w.Ticks(), again.ticked);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(w.Next(kResult));
    EXPECT_GE(GetTickCount() - start, 450u) << "three contacts take at least 3 x 166 ms";
    EXPECT_EQ(w.Text(IDC_PROGRESS_TEXT), "Converting Cleo Cole ( cleo@cole.example ) ...");
    EXPECT_EQ(Send(w.Control(IDC_PROGRESS_BAR), PBM_GETPOS), 100);
    EXPECT_EQ(w.Text(IDC_RESULT_FILE), SmallBook());
    EXPECT_EQ(w.Text(IDC_RESULT_CONTACTS), target);
    EXPECT_FALSE(IsWindowVisible(w.Control(IDC_RESULT_DETAILS))) << "every value was kept whole";
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(RecordsOf(target), again.records);
    EXPECT_EQ(FileText(target + ".xbk"), changed) << "the backup holds the file as it was";
    for (auto [key, value] : {std::pair{"PalmMode", "0"}, {"UserID", "1001"}, {"Custom9", "0"}})
        EXPECT_EQ(w.IniValue(key), value) << key;

    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.Next(kRecordList));
    EXPECT_EQ(w.Ticks(), std::vector<bool>(3, false)) << "all unchanged";
    w.Keys({VK_MENU, 'S'});
    EXPECT_TRUE(WaitUntil([&] { return w.Ticks() == std::vector<bool>(3, true); }));
    w.Keys({VK_MENU, 'C'});  // the page's Clear All, not the frame's Cancel
    EXPECT_TRUE(WaitUntil([&] { return w.Ticks() == std::vector<bool>(3, false); }));
    w.Click(IDC_DIFFERENT_ONLY);
    EXPECT_TRUE(WaitUntil([&] { return w.RowCount() == 0; })) << "the filter hides them all";
    w.Click(IDC_SELECT_ALL);
    w.Click(IDC_NEXT);
    EXPECT_EQ(w.TakeMessageBox(), "No record is selected. ");
    EXPECT_EQ(w.CurrentPage(), kRecordList);
    // Quitting here loses the user's choices: Esc and Cancel ask first (Enter: no).
    w.Keys({VK_ESCAPE});
    EXPECT_EQ(w.Answer("Outlook Express to Palm Desktop"), "Quit without converting?");
    EXPECT_FALSE(w.Ended());
    w.Click(IDCANCEL);
    EXPECT_EQ(w.Answer("Outlook Express to Palm Desktop", 'Y'), "Quit without converting?");
    ASSERT_TRUE(w.WaitForEnd());

    // A file of the newer layout for a Palm Desktop that writes it.
    w.InstallPalmDesktop("palm601", "[Root]\nFolder=\n[Users]\nCount=1\n[User0]\nID=1001\n"
                                    "Name=Smith & Sons\nDirectory=AdamsA\n");
    ASSERT_TRUE(CopyInto(Sample("address-palmsg.dat"), target));
    const std::string book = w.Folder() + "\\many.vcf";
    std::ofstream cards(book, std::ios::binary);
    for (int i = 1000; i < 3000; ++i)
        cards << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:AT&T Branch " << i << "\r\nEMAIL:b" << i
              << "@att.example\r\nEND:VCARD\r\n";
    cards << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:MAXIMILIANE WILHELMINE VON WOLKENSTEIN-WARTENBERG ZU WALDBURG\r\n"
             "EMAIL:max@schloss.example\r\nEND:VCARD\r\n";
    cards.close();
    w.WriteIni("DataMode=1\r\nWabFile=" + book + "\r\nPalmMode=0\r\nUserID=1001\r\n");
    ASSERT_TRUE(w.Start(144));
    ASSERT_TRUE(w.Next(kRecordList));
    ASSERT_EQ(w.RowCount(), 2001);
    // A name wider than the list: the column ends where the list does.
    RECT list = {};
    GetClientRect(w.List(), &list);
    EXPECT_EQ(w.ColumnWidth(0), list.right);
    w.Click(IDC_NEXT);
    ASSERT_TRUE(WaitUntil([&] { return w.CurrentPage() != kRecordList; }));
    for (int id : {IDC_PREV, IDC_NEXT, IDCANCEL}) EXPECT_FALSE(w.Enabled(id)) << id;
    // Queued while the wizard converts: a click on Cancel, Esc, and Alt+F (Finish to come);
    // and HotSync takes the file before it is written.
    w.Click(IDCANCEL);
    w.Keys({VK_ESCAPE});
    w.Keys({VK_MENU, 'F'});
    HANDLE hotsync = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Wizard::Screenshot(w.Frame(), "long-run-progress", 100);
    ASSERT_EQ(w.CurrentPage(), kProgress) << "the run ended before the input was queued";
    ASSERT_TRUE(w.WaitForPage(kResult, 120000));
    CloseHandle(hotsync);
    Sleep(500);
    EXPECT_EQ(w.CurrentPage(), kResult);
    Wizard::Screenshot(w.Frame(), "result-refused-save");
    // Nothing was written, and nothing is shown as if it had been.
    EXPECT_EQ(w.Text(IDC_RESULT_TEXT), "Failed: nothing was written.");
    EXPECT_TRUE(IsWindowVisible(w.Control(IDC_RESULT_REASON)));
    EXPECT_EQ(w.Text(IDC_RESULT_REASON), "The contacts file " + Quoted(target) +
                                              " is in use by another program: close Palm Desktop or HotSync and "
                                              "try again.");
    for (int id : {IDC_RESULT_COUNT, IDC_RESULT_COUNT_LABEL, IDC_RESULT_BACKUP, IDC_RESULT_DETAILS})
        EXPECT_FALSE(IsWindowVisible(w.Control(id))) << id;
    EXPECT_EQ(w.Text(IDC_RESULT_CONTACTS), target);
    EXPECT_EQ(w.Text(IDC_RESULT_USER), "Smith & Sons");
    // Names are shown as they are: an '&' is no mnemonic there.
    for (int id : {IDC_PROGRESS_TEXT, IDC_RESULT_USER})
        EXPECT_TRUE(GetWindowLongA(w.Control(id), GWL_STYLE) & SS_NOPREFIX) << id;
    // The buttons say so when their programs cannot be started.
    DeleteFileA((w.Folder() + "\\palm\\palm.exe").c_str());
    w.Click(IDC_OPEN_PALM_DESKTOP);
    EXPECT_TRUE(Contains(w.TakeMessageBox(), "palm.exe) could not be started: "));
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(FileText(target), FileText(Sample("address-palmsg.dat"))) << "nothing was written";
    EXPECT_EQ(FileText(target + ".xbk"), changed) << "nor was the backup made again";
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
