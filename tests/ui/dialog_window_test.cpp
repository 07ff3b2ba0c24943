// The window layer against real windows: the object marker and the shared dialog
// procedure, modeless creation, the list view wrapper, the resource templates, and the
// banner and button drawing. Needs a display (run under xvfb-run); skipped without one.
#include "resources/resource_ids.h"
#include "ui/framework/dialog_window.h"
#include "ui/framework/list_view_control.h"
#include "ui/look/banner.h"
#include "ui/look/color.h"
#include "ui/look/fonts.h"
#include "ui/look/owner_button.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace tarvenne {
namespace {

#define REQUIRE_DISPLAY()                                              \
    do {                                                               \
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display set"; \
    } while (0)

// A dialog template in memory: no controls, no font, no caption.
class MemoryTemplate {
public:
    explicit MemoryTemplate(DWORD style) : words_(16, 0) {
        auto* t = reinterpret_cast<DLGTEMPLATE*>(words_.data());
        t->style = style;
        t->cx = 200;
        t->cy = 100;
        // Menu, class and title words stay 0.
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<DWORD> words_;  // DWORD-aligned, as templates must be
};

struct Calls {
    int init = 0, command = 0, destroy = 0, deleted = 0;
    WPARAM p1 = 0;
    LPARAM p2 = 0;
};

class Probe : public DialogWindow {
public:
    Probe(Calls* calls, bool owns_self) : DialogWindow(owns_self), calls_(calls) {}
    ~Probe() override { ++calls_->deleted; }
    INT_PTR OnInitDialog(WPARAM, LPARAM) override {
        ++calls_->init;
        return 1;
    }
    INT_PTR OnCommand(WPARAM p1, LPARAM p2) override {
        ++calls_->command;
        calls_->p1 = p1;
        calls_->p2 = p2;
        return 77;
    }
    INT_PTR OnDestroy(WPARAM, LPARAM) override {
        ++calls_->destroy;
        return 0;
    }
    INT_PTR OnCtlColorEdit(WPARAM, LPARAM) override { return 1234; }

private:
    Calls* calls_;
};

HWND CreateWithObject(const MemoryTemplate& t, DialogWindow* object) {
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.get(), nullptr,
                                      &DialogWindow::SharedDialogProc,
                                      reinterpret_cast<LPARAM>(object));
}

std::string Text(HWND window) {
    char buffer[256] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string ClassName(HWND window) {
    char buffer[64] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

TEST(DialogWindow, MarkerLinksTheWindowToItsObjectAtFullWidth) {
    REQUIRE_DISPLAY();
    // Put the object high in the address space: a 64-bit address must survive the
    // round trip through the marker's text whole.
    void* memory = VirtualAlloc(nullptr, 65536, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN,
                                PAGE_READWRITE);
    ASSERT_NE(memory, nullptr);
    if (sizeof(void*) == 8) {
        ASSERT_GT(reinterpret_cast<std::uintptr_t>(memory), 0xFFFFFFFFull);
    }
    Calls calls;
    auto* probe = new (memory) Probe(&calls, false);

    MemoryTemplate t(WS_POPUP);
    HWND window = CreateWithObject(t, probe);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(calls.init, 1);
    EXPECT_EQ(probe->Window(), window);

    HWND marker = GetDlgItem(window, IDC_OBJECT_MARKER);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(ClassName(marker), "Static");
    EXPECT_FALSE(GetWindowLongA(marker, GWL_STYLE) & WS_VISIBLE);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%llu",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(probe)));
    EXPECT_EQ(Text(marker), expected);
    EXPECT_EQ(DialogWindow::FromWindow(window), probe);

    // Hooks get both parameters and their result is the procedure's result.
    EXPECT_EQ(DialogWindow::SharedDialogProc(window, WM_COMMAND, 0x12345, 0x6789), 77);
    EXPECT_EQ(calls.command, 1);
    EXPECT_EQ(calls.p1, 0x12345u);
    EXPECT_EQ(calls.p2, 0x6789);
    EXPECT_EQ(DialogWindow::SharedDialogProc(window, WM_CTLCOLOREDIT, 0, 0), 1234);
    EXPECT_EQ(DialogWindow::SharedDialogProc(window, WM_SIZE, 0, 0), 0);  // base hook
    EXPECT_EQ(DialogWindow::SharedDialogProc(window, WM_TIMER, 1, 0), 0);
    EXPECT_EQ(calls.command, 1);

    // Rewriting the marker keeps one child.
    EXPECT_TRUE(DialogWindow::WriteObjectMarker(window, probe));
    int markers = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == IDC_OBJECT_MARKER) ++markers;
    }
    EXPECT_EQ(markers, 1);
    EXPECT_FALSE(DialogWindow::WriteObjectMarker(window, nullptr));
    EXPECT_FALSE(DialogWindow::WriteObjectMarker(nullptr, probe));

    // Not owning itself: the object outlives its window, keeping the stale handle.
    DestroyWindow(window);
    EXPECT_EQ(calls.destroy, 1);
    EXPECT_EQ(calls.deleted, 0);
    EXPECT_EQ(probe->Window(), window);
    probe->~Probe();
    VirtualFree(memory, 0, MEM_RELEASE);
}

TEST(DialogWindow, WindowsWithoutAMarkerGetNoCalls) {
    REQUIRE_DISPLAY();
    MemoryTemplate t(WS_POPUP);
    // A null creation parameter: no marker, no object, default handling throughout.
    HWND bare = CreateWithObject(t, nullptr);
    ASSERT_TRUE(IsWindow(bare));
    EXPECT_EQ(GetDlgItem(bare, IDC_OBJECT_MARKER), nullptr);
    EXPECT_EQ(DialogWindow::FromWindow(bare), nullptr);
    EXPECT_EQ(DialogWindow::SharedDialogProc(bare, WM_COMMAND, 1, 0), 0);

    // Marker texts that are not an address give no object.
    HWND marker = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 0, 0, bare,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_OBJECT_MARKER)),
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(DialogWindow::FromWindow(bare), nullptr);  // empty
    for (const char* text : {"abc", "12x", "0", "-", "-5", " 7", "99999999999999999999999"}) {
        SetWindowTextA(marker, text);
        EXPECT_EQ(DialogWindow::FromWindow(bare), nullptr) << text;
    }
    DestroyWindow(bare);
    EXPECT_EQ(DialogWindow::FromWindow(nullptr), nullptr);
}

TEST(DialogWindow, OwnsSelfDeletesWithTheWindow) {
    REQUIRE_DISPLAY();
    Calls calls;
    auto* probe = new Probe(&calls, true);
    EXPECT_TRUE(probe->OwnsSelf());
    MemoryTemplate t(WS_POPUP);
    HWND window = CreateWithObject(t, probe);
    ASSERT_TRUE(IsWindow(window));
    HWND marker = GetDlgItem(window, IDC_OBJECT_MARKER);
    ASSERT_NE(marker, nullptr);
    DestroyWindow(window);
    EXPECT_EQ(calls.destroy, 1);
    EXPECT_EQ(calls.deleted, 1);
}

TEST(DialogWindow, ModelessTemplatesAndTheirPlacement) {
    REQUIRE_DISPLAY();
    MemoryTemplate t(WS_POPUP);
    Calls parent_calls;
    Probe parent(&parent_calls, false);
    HWND parent_window = CreateWithObject(t, &parent);
    ASSERT_TRUE(IsWindow(parent_window));

    Calls calls;
    Probe page(&calls, false);
    const RECT rect = {10, 20, 210, 170};
    ASSERT_EQ(page.CreateModeless(parent_window, GetModuleHandleA(nullptr), IDD_PROGRESS_PAGE,
                                  &rect), 0);
    EXPECT_EQ(calls.init, 1);
    EXPECT_EQ(GetParent(page.Window()), parent_window);
    RECT placed;
    GetWindowRect(page.Window(), &placed);
    MapWindowPoints(HWND_DESKTOP, parent_window, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 10);
    EXPECT_EQ(placed.top, 20);
    EXPECT_EQ(placed.right, 210);
    EXPECT_EQ(placed.bottom, 170);
    EXPECT_FALSE(IsWindowVisible(page.Window()));
    page.Show(true);
    ShowWindow(parent_window, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(page.Window()));
    page.Show(false);
    EXPECT_FALSE(IsWindowVisible(page.Window()));

    Calls missing_calls;
    Probe missing(&missing_calls, false);
    EXPECT_EQ(missing.CreateModeless(parent_window, GetModuleHandleA(nullptr), 4242, &rect), -1);
    EXPECT_EQ(missing.Window(), nullptr);
    EXPECT_EQ(missing_calls.init, 0);
    DestroyWindow(parent_window);
}

TEST(ListViewControl, ColumnsItemsChecksAndData) {
    REQUIRE_DISPLAY();
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x1FF};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    ListViewControl list;
    EXPECT_FALSE(list.InsertColumn(0, "Name", 80));  // no window yet
    EXPECT_EQ(list.AddCheckBoxes(), 0);

    MemoryTemplate t(WS_POPUP);
    HWND parent = CreateWithObject(t, nullptr);
    ASSERT_TRUE(IsWindow(parent));
    const RECT rect = {0, 0, 300, 200};
    HWND window = list.Create(parent, &rect, IDC_RECORD_LIST, LVS_REPORT | LVS_SINGLESEL,
                              WS_EX_CLIENTEDGE);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetDlgCtrlID(window), IDC_RECORD_LIST);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_BORDER);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    list.AddCheckBoxes();
    list.AddFullRowSelect();
    const LRESULT ex = SendMessageA(window, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_TRUE(ex & LVS_EX_CHECKBOXES);
    EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);

    EXPECT_FALSE(list.InsertColumn(0, "", 80));
    EXPECT_FALSE(list.InsertColumn(0, nullptr, 80));
    EXPECT_EQ(list.ColumnCount(), 0);
    EXPECT_TRUE(list.InsertColumn(0, "Name", 80));
    EXPECT_TRUE(list.InsertColumn(1, "Work Phone", 100));
    EXPECT_EQ(list.ColumnCount(), 2);

    int data[3] = {};
    EXPECT_FALSE(list.InsertItem(-1, "x", -1, nullptr));
    EXPECT_FALSE(list.InsertItem(0, nullptr, -1, nullptr));
    for (int i = 0; i < 3; ++i) {
        const std::string name = "Contact " + std::to_string(i);
        EXPECT_TRUE(list.InsertItem(i, name.c_str(), -1, &data[i]));
        EXPECT_TRUE(list.SetSubItem(i, 1, i == 1 ? nullptr : "555-0100", -1, nullptr));
    }
    EXPECT_FALSE(list.SetSubItem(-1, 1, "x", -1, nullptr));
    EXPECT_FALSE(list.SetSubItem(0, -1, "x", -1, nullptr));
    EXPECT_EQ(list.ItemCount(), 3);
    char text[64] = {};
    ListView_GetItemText(window, 2, 1, text, sizeof text);
    EXPECT_STREQ(text, "555-0100");
    ListView_GetItemText(window, 1, 1, text, sizeof text);
    EXPECT_STREQ(text, "");

    list.SetChecked(1, true);
    list.SetChecked(2, false);
    EXPECT_FALSE(list.IsChecked(0));
    EXPECT_TRUE(list.IsChecked(1));
    EXPECT_FALSE(list.IsChecked(2));
    list.SetChecked(1, false);
    EXPECT_FALSE(list.IsChecked(1));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list.ItemData(i), &data[i]);

    list.DeleteAll();
    EXPECT_EQ(list.ItemCount(), 0);
    DestroyWindow(parent);
}

// The controls of a template, as the dialog manager created them.
struct ExpectedControl {
    int id;
    const char* class_name;
    const char* text;
    RECT dialog_units;  // x, y, width, height
    bool owner_drawn;
};

void CheckTemplate(int template_id, const std::vector<ExpectedControl>& controls, SIZE size) {
    Calls calls;
    Probe object(&calls, false);
    HWND host = nullptr;
    if (template_id == IDD_WIZARD_FRAME || template_id == IDD_CUSTOM_FIELDS) {
        host = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id),
                                  nullptr, &DialogWindow::SharedDialogProc,
                                  reinterpret_cast<LPARAM>(&object));
    } else {
        MemoryTemplate t(WS_POPUP);
        HWND parent = CreateWithObject(t, nullptr);
        object.CreateModeless(parent, GetModuleHandleA(nullptr), template_id, nullptr);
        host = object.Window();
    }
    ASSERT_TRUE(IsWindow(host)) << template_id;
    RECT client;
    GetClientRect(host, &client);
    RECT whole = {0, 0, size.cx, size.cy};
    MapDialogRect(host, &whole);
    EXPECT_EQ(client.right, whole.right) << template_id;
    EXPECT_EQ(client.bottom, whole.bottom) << template_id;

    for (const ExpectedControl& c : controls) {
        SCOPED_TRACE(std::to_string(template_id) + "/" + std::to_string(c.id));
        HWND control = GetDlgItem(host, c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_STRCASEEQ(ClassName(control).c_str(), c.class_name);
        if (c.text) {
            EXPECT_EQ(Text(control), c.text);
        }
        // The dialog manager maps the position and the size each on its own.
        RECT units = c.dialog_units;
        MapDialogRect(host, &units);
        const RECT expected = {units.left, units.top, units.left + units.right,
                               units.top + units.bottom};
        RECT actual;
        GetWindowRect(control, &actual);
        MapWindowPoints(HWND_DESKTOP, host, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        if (std::string(c.class_name) != "ComboBox") {  // a combo's height is its list's
            EXPECT_EQ(actual.right, expected.right);
            EXPECT_EQ(actual.bottom, expected.bottom);
        }
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        if (std::string(c.class_name) == "Button") {
            EXPECT_EQ((style & BS_TYPEMASK) == BS_OWNERDRAW, c.owner_drawn);
        }
    }
    DestroyWindow(host);
}

TEST(ResourceTemplates, ControlsIdsTextsAndRectangles) {
    REQUIRE_DISPLAY();
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x1FF};
    ASSERT_TRUE(InitCommonControlsEx(&controls));

    CheckTemplate(IDD_WIZARD_FRAME,
                  {{IDC_HELP_BUTTON, "Button", "&Help", {7, 241, 50, 14}, true},
                   {IDC_PAGE_PLACEHOLDER, "Button", "Static", {82, 52, 261, 181}, false},
                   {IDC_PREV, "Button", "< &Prev ", {169, 240, 50, 14}, true},
                   {IDC_NEXT, "Button", "&Next >", {229, 240, 50, 14}, true},
                   {IDCANCEL, "Button", "&Cancel", {289, 240, 50, 14}, true}},
                  {350, 262});
    CheckTemplate(IDD_OPTIONS_PAGE,
                  {{IDC_CURRENT_WAB, "Button", "Convert current Outlook Express address book.",
                    {15, 26, 172, 10}, false},
                   {IDC_SPECIFIC_WAB, "Button", "Convert a specific *.wab file", {15, 42, 109, 10}, false},
                   {IDC_WAB_FILE, "Edit", "", {25, 56, 157, 12}, false},
                   {IDC_WAB_BROWSE, "Button", "...", {188, 55, 18, 14}, true},
                   {IDC_BY_USER, "Button", "Open contacts data by user", {17, 96, 106, 10}, false},
                   {IDC_BY_FILE, "Button", "Open contacts data by file", {17, 110, 101, 10}, false},
                   {IDC_USER_BOX, "ComboBox", nullptr, {129, 96, 77, 72}, false},
                   {IDC_PALM_FILE, "Edit", "", {28, 126, 153, 12}, false},
                   {IDC_PALM_BROWSE, "Button", "...", {188, 125, 18, 14}, true},
                   {IDC_CHECK_DUPLICATES, "Button", "Check Duplicate Contacts", {17, 144, 100, 10}, false},
                   {IDC_SWAP_NAMES, "Button", "Swap First Name and Last Name.", {17, 160, 124, 10}, false}},
                  {270, 190});
    CheckTemplate(IDD_RECORD_LIST_PAGE,
                  {{IDC_DIFFERENT_ONLY, "Button", "Show Different Contacts Records Only", {9, 14, 141, 10}, false},
                   {IDC_LIST_PLACEHOLDER, "SysListView32", nullptr, {8, 29, 248, 121}, false},
                   {IDC_CUSTOM_FIELDS_MAPPING, "Button", "Custom &Fields Mapping", {13, 158, 85, 14}, true},
                   {IDC_SELECT_ALL, "Button", "&Select All", {134, 158, 58, 14}, true},
                   {IDC_CLEAR_ALL, "Button", "&Clear All", {195, 158, 60, 14}, true}},
                  {270, 190});
    CheckTemplate(IDD_PROGRESS_PAGE,
                  {{IDC_PROGRESS_TEXT, "Static", nullptr, {15, 71, 60, 8}, false},
                   {IDC_PROGRESS_BAR, "msctls_progress32", nullptr, {15, 90, 241, 6}, false}},
                  {270, 190});
    CheckTemplate(IDD_RESULT_PAGE,
                  {{IDC_RESULT_FILE, "Edit", nullptr, {73, 55, 154, 12}, false},
                   {IDC_RESULT_USER, "Static", nullptr, {73, 74, 90, 8}, false},
                   {IDC_RESULT_TEXT, "Static", nullptr, {73, 92, 69, 8}, false},
                   {IDC_RESULT_COUNT, "Static", nullptr, {73, 111, 21, 8}, false},
                   {IDC_OPEN_ADDRESS_BOOK, "Button", "Outlook Express Address Book", {19, 138, 112, 14}, true},
                   {IDC_OPEN_PALM_DESKTOP, "Button", "Open Palm Desktop", {135, 138, 111, 14}, true}},
                  {270, 190});
    std::vector<ExpectedControl> custom;
    const RECT combos[9] = {{53, 51, 80, 67},  {53, 68, 80, 62},  {53, 87, 80, 60},
                            {53, 105, 80, 65}, {53, 124, 80, 65}, {181, 51, 86, 81},
                            {181, 70, 86, 66}, {181, 88, 86, 65}, {181, 107, 86, 63}};
    for (int k = 0; k < 9; ++k) custom.push_back({IDC_CUSTOM_FIRST + k, "ComboBox", nullptr, combos[k], false});
    custom.push_back({IDOK, "Button", "OK", {182, 156, 50, 14}, true});
    custom.push_back({IDCANCEL, "Button", "Cancel", {236, 156, 50, 14}, true});
    CheckTemplate(IDD_CUSTOM_FIELDS, custom, {293, 177});
}

// A 24-bit canvas for drawing tests.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    void Fill(COLORREF colour) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) Set(x, y, colour);
    }
    void Set(int x, int y, COLORREF c) {
        static_cast<std::uint32_t*>(bits_)[y * width_ + x] =
            GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16);
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const std::uint32_t p = static_cast<std::uint32_t*>(bits_)[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    void* bits_ = nullptr;
};

bool Near(COLORREF a, COLORREF b, int tolerance = 6) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

TEST(OwnerDrawnLook, BannerGradientAndTexts) {
    REQUIRE_DISPLAY();
    ASSERT_TRUE(CreateBannerFonts());
    MemoryTemplate t(WS_POPUP);
    HWND window = CreateWithObject(t, nullptr);
    ASSERT_TRUE(IsWindow(window));
    SetWindowPos(window, nullptr, 0, 0, 400, 120, SWP_NOZORDER | SWP_NOMOVE);
    RECT client;
    GetClientRect(window, &client);
    Canvas canvas(client.right, client.bottom);

    const COLORREF magenta = RGB(255, 0, 255);
    canvas.Fill(magenta);
    EXPECT_FALSE(PaintBanner(window, canvas.dc(), ""));
    EXPECT_FALSE(PaintBanner(window, canvas.dc(), nullptr));
    EXPECT_FALSE(PaintBanner(window, nullptr, "x"));
    EXPECT_FALSE(PaintBanner(nullptr, canvas.dc(), "x"));
    EXPECT_EQ(canvas.At(0, 0), magenta);  // nothing painted at all
    EXPECT_EQ(canvas.At(client.right / 2, client.bottom - 1), magenta);

    ASSERT_TRUE(PaintBanner(window, canvas.dc(), "Please set the conversion options."));
    ASSERT_TRUE(GradientAvailable());
    // White at the left edge, light blue (192, 192, 255) at the right, across 65 rows.
    EXPECT_TRUE(Near(canvas.At(0, 60), RGB(255, 255, 255)));
    EXPECT_TRUE(Near(canvas.At(client.right - 1, 60), RGB(192, 192, 255)));
    const COLORREF middle = canvas.At(client.right / 2, 5);
    EXPECT_TRUE(Near(middle, RGB(224, 224, 255), 8));
    // Below the band: the button face.
    EXPECT_EQ(canvas.At(client.right - 1, kBannerHeight + 2), GetSysColor(COLOR_BTNFACE));
    EXPECT_NE(canvas.At(client.right - 1, kBannerHeight - 1), GetSysColor(COLOR_BTNFACE));

    // The title in navy at (25, 15), the caption in black at (40, 35).
    int navy = 0, black = 0;
    for (int y = 15; y < 30; ++y) {
        for (int x = 25; x < 250; ++x) {
            const COLORREF c = canvas.At(x, y);
            if (GetBValue(c) >= 100 && GetRValue(c) < 80 && GetGValue(c) < 80) ++navy;
        }
    }
    for (int y = 35; y < 50; ++y) {
        for (int x = 40; x < 300; ++x) {
            const COLORREF c = canvas.At(x, y);
            if (GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80) ++black;
        }
    }
    EXPECT_GT(navy, 50);
    EXPECT_GT(black, 50);
    for (int x = 0; x < 25; ++x) EXPECT_FALSE(GetRValue(canvas.At(x, 20)) < 80) << x;

    // Gradient edge cases.
    RECT empty = {10, 10, 10, 40};
    EXPECT_FALSE(FillGradient(canvas.dc(), &empty, 0, 0xFFFFFF, true));
    EXPECT_FALSE(FillGradient(canvas.dc(), nullptr, 0, 0xFFFFFF, true));
    RECT solid = {0, 0, 10, 10};
    EXPECT_TRUE(FillGradient(canvas.dc(), &solid, RGB(1, 2, 3), RGB(1, 2, 3), false));
    EXPECT_EQ(canvas.At(5, 5), RGB(1, 2, 3));
    RECT vertical = {0, 0, 20, 100};
    EXPECT_TRUE(FillGradient(canvas.dc(), &vertical, RGB(0, 0, 0), RGB(255, 255, 255), false));
    EXPECT_LT(GetRValue(canvas.At(10, 2)), 20);
    EXPECT_GT(GetRValue(canvas.At(10, 97)), 235);
    EXPECT_EQ(canvas.At(0, 50), canvas.At(19, 50));  // vertical: rows are uniform
    DestroyWindow(window);
    DeleteBannerFonts();
}

TEST(OwnerDrawnLook, ButtonShadesAndTextCut) {
    REQUIRE_DISPLAY();
    EXPECT_FALSE(DrawOwnerButton(nullptr));
    MemoryTemplate t(WS_POPUP);
    HWND parent = CreateWithObject(t, nullptr);
    const std::string thirty = "Convert the address book now.."; // 30 characters
    ASSERT_EQ(thirty.size(), 30u);
    HWND long_button = CreateWindowExA(0, "BUTTON", (thirty + "0123456789").c_str(),
                                       WS_CHILD | BS_OWNERDRAW, 0, 0, 300, 24, parent, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
    HWND short_button = CreateWindowExA(0, "BUTTON", thirty.c_str(), WS_CHILD | BS_OWNERDRAW, 0,
                                        0, 300, 24, parent, nullptr, GetModuleHandleA(nullptr),
                                        nullptr);
    ASSERT_TRUE(long_button && short_button);

    auto draw = [&](HWND button, UINT state, Canvas& canvas) {
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = button;
        item.hDC = canvas.dc();
        item.rcItem = {0, 0, 300, 24};
        return DrawOwnerButton(&item);
    };

    struct Shade {
        UINT state;
        COLORREF border, face;
    } shades[] = {
        {0, GetSysColor(COLOR_HIGHLIGHT), AdjustColor(GetSysColor(COLOR_HIGHLIGHT), 80, -66)},
        {ODS_SELECTED, GetSysColor(COLOR_HIGHLIGHT), AdjustColor(GetSysColor(COLOR_HIGHLIGHT), 50, -50)},
        {ODS_DISABLED | ODS_SELECTED, GetSysColor(COLOR_BTNSHADOW),
         AdjustColor(GetSysColor(COLOR_BTNFACE), 15, 0)},
    };
    for (const Shade& s : shades) {
        Canvas canvas(300, 24);
        ASSERT_TRUE(draw(long_button, s.state, canvas));
        EXPECT_EQ(canvas.At(0, 0), s.border) << s.state;
        EXPECT_EQ(canvas.At(299, 23), s.border) << s.state;
        EXPECT_EQ(canvas.At(3, 12), s.face) << s.state;
        EXPECT_EQ(canvas.At(296, 3), s.face) << s.state;
    }

    // Longer texts are drawn cut to 30 characters: the same pixels as the cut text.
    Canvas cut(300, 24), exact(300, 24);
    draw(long_button, 0, cut);
    draw(short_button, 0, exact);
    int differing = 0, text_pixels = 0;
    const COLORREF face = shades[0].face;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (cut.At(x, y) != exact.At(x, y)) ++differing;
            if (exact.At(x, y) != face && x > 1 && x < 298 && y > 1 && y < 22) ++text_pixels;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(text_pixels, 40);

    // Focus adds a dotted rectangle 2 pixels inside.
    Canvas focused(300, 24);
    draw(short_button, ODS_FOCUS, focused);
    int dotted = 0;
    for (int x = 2; x < 298; ++x)
        if (focused.At(x, 2) != face) ++dotted;
    EXPECT_GT(dotted, 50);
    DestroyWindow(parent);
}

}  // namespace
}  // namespace tarvenne
