// Drives tarvenne.exe from outside, as a user would: starts it beside a prepared
// tarvenne.ini, finds its frame and controls, clicks, types and reads them back, checks
// the banner by its pixels, saves a screenshot of every page, and reads the INI file the
// wizard writes when it closes. Needs a display (run under xvfb-run); skipped without one.
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr char kFrameTitle[] = "Outlook Express to Palm Desktop";
const char* const kCaptions[4] = {
    "Please set the conversion options.",
    "Please select the records you want to convert.",
    "Converting Outlook Express address book records ...",
    "Outlook Express address book conversion finished.",
};
// A control that only the page of that index has.
const int kPageMarkers[4] = {IDC_CURRENT_WAB, IDC_DIFFERENT_ONLY, IDC_PROGRESS_BAR,
                             IDC_OPEN_ADDRESS_BOOK};
const char* const kIniKeys[14] = {"DataMode", "PalmMode", "WabFile", "PalmFile", "UserID",
                                  "Custom1",  "Custom2",  "Custom3", "Custom4",  "Custom5",
                                  "Custom6",  "Custom7",  "Custom8", "Custom9"};

#define REQUIRE_DISPLAY()                                              \
    do {                                                               \
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display set"; \
    } while (0)

// Build paths are Linux paths; a Windows program reaches them through drive Z:.
std::string WinPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeFolders(const std::string& path) {
    for (std::size_t at = 3; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '\\') CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
}

std::string TestName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A top-level window of the process: the frame by its title, or a message box.
struct FindTopLevel {
    DWORD pid;
    std::string title;
    HWND found = nullptr;
    static BOOL CALLBACK Visit(HWND window, LPARAM self_param) {
        auto* self = reinterpret_cast<FindTopLevel*>(self_param);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == self->pid && IsWindowVisible(window) && WindowText(window) == self->title &&
            ClassOf(window) == "#32770") {
            self->found = window;
            return FALSE;
        }
        return TRUE;
    }
};

struct ChildCollector {
    std::vector<HWND> children;
    static BOOL CALLBACK Visit(HWND window, LPARAM self_param) {
        reinterpret_cast<ChildCollector*>(self_param)->children.push_back(window);
        return TRUE;
    }
};

// Pixels of a screen area, top row first, as COLORREFs.
struct Capture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Capture CaptureScreen(int left, int top, int width, int height) {
    Capture out;
    out.width = width;
    out.height = height;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    out.pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < out.pixels.size(); ++i) {
        out.pixels[i] = RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out;
}

void WriteBmp(const Capture& c, const std::string& path) {
    const int stride = (c.width * 3 + 3) & ~3;
    std::vector<unsigned char> data(static_cast<std::size_t>(stride) * c.height);
    for (int y = 0; y < c.height; ++y) {
        unsigned char* row = &data[static_cast<std::size_t>(c.height - 1 - y) * stride];
        for (int x = 0; x < c.width; ++x) {
            const COLORREF p = c.At(x, y);
            row[x * 3] = GetBValue(p);
            row[x * 3 + 1] = GetGValue(p);
            row[x * 3 + 2] = GetRValue(p);
        }
    }
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(data.size());
    info.biSize = sizeof info;
    info.biWidth = c.width;
    info.biHeight = c.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(data.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

bool IsDark(COLORREF c) { return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100; }

// The caption as the banner draws it (11-pixel Verdana at (40, 35)), as a mask of dark
// pixels over the rows the caption occupies.
constexpr int kCaptionTop = 32, kCaptionBottom = 56;

std::vector<bool> RenderedCaptionMask(const char* caption, int width) {
    const int height = kCaptionBottom;
    HDC memory = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, 0, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Verdana");
    HGDIOBJ old_font = SelectObject(memory, font);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(0, 0, 0));
    TextOutA(memory, 40, 35, caption, static_cast<int>(std::strlen(caption)));
    GdiFlush();
    std::vector<bool> mask;
    const auto* p = static_cast<const std::uint32_t*>(bits);
    for (int y = kCaptionTop; y < kCaptionBottom; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = p[y * width + x];
            mask.push_back(IsDark(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF)));
        }
    }
    SelectObject(memory, old_font);
    DeleteObject(font);
    SelectObject(memory, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return mask;
}

class Wizard {
public:
    // A folder of its own with a copy of the program and its help page.
    explicit Wizard(const std::string& name) {
        folder_ = WinPath(TARVENNE_UI_RUN_DIR) + "\\" + name;
        MakeFolders(folder_);
        exe_ = folder_ + "\\tarvenne.exe";
        ini_ = folder_ + "\\tarvenne.ini";
        CopyFileA(WinPath(TARVENNE_WIZARD_EXE).c_str(), exe_.c_str(), FALSE);
        CopyFileA(WinPath(TARVENNE_HELP_PAGE).c_str(), (folder_ + "\\help.html").c_str(), FALSE);
        DeleteFileA(ini_.c_str());
    }
    ~Wizard() {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_.hProcess, 99);
                WaitForSingleObject(process_.hProcess, 5000);
            }
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }

    const std::string& Folder() const { return folder_; }
    const std::string& Ini() const { return ini_; }

    void WriteIni(const std::string& text) {
        std::ofstream out(ini_, std::ios::binary);
        out << text;
    }

    std::string IniValue(const char* key) const {
        char value[512] = {};
        GetPrivateProfileStringA("Brisfold", key, "<missing>", value, sizeof value, ini_.c_str());
        return value;
    }

    ::testing::AssertionResult Start() {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string command = "\"" + exe_ + "\"";
        if (!CreateProcessA(exe_.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                            folder_.c_str(), &startup, &process_)) {
            return ::testing::AssertionFailure() << "cannot start " << exe_ << ": " << GetLastError();
        }
        WaitForInputIdle(process_.hProcess, 10000);
        for (int i = 0; i < 400 && !frame_; ++i) {
            frame_ = FindWindowOfProcess(kFrameTitle);
            if (!frame_) {
                if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) {
                    return ::testing::AssertionFailure() << "the wizard ended before showing a window";
                }
            }
        }
        if (!frame_) return ::testing::AssertionFailure() << "no wizard frame within 20 s";
        Sync();
        return ::testing::AssertionSuccess();
    }

    HWND Frame() const { return frame_; }
    HWND Control(int id) const { return GetDlgItem(frame_, id); }

    HWND FindWindowOfProcess(const char* title) const {
        FindTopLevel find{process_.dwProcessId, title};
        EnumWindows(&FindTopLevel::Visit, reinterpret_cast<LPARAM>(&find));
        return find.found;
    }

    // The text of an "Error" message box the wizard shows, if it shows one.
    // A refusal's message box runs a nested loop that answers Sync() before the box is on
    // the screen, and a page switch can still be under way: give either a second to show.
    std::string ErrorMessage() const {
        HWND box = nullptr;
        for (int tries = 0; tries < 20 && !box; ++tries) {
            box = FindWindowOfProcess("Error");
            if (!box) Sleep(50);
        }
        if (!box) return "";
        ChildCollector children;
        EnumChildWindows(box, &ChildCollector::Visit, reinterpret_cast<LPARAM>(&children));
        std::string text = "(message box)";
        for (HWND child : children.children) {
            if (ClassOf(child) == "Static" && !WindowText(child).empty()) text = WindowText(child);
        }
        return text;
    }

    // Waits until the wizard's thread has handled what was sent and posted to it so far.
    void Sync() const {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(frame_, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &result);
    }

    // The page child dialog that holds the page's own control, or null.
    HWND PageWindow(int index) const {
        ChildCollector children;
        EnumChildWindows(frame_, &ChildCollector::Visit, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children.children) {
            if (GetParent(child) == frame_ && ClassOf(child) == "#32770" &&
                GetDlgItem(child, kPageMarkers[index])) {
                return child;
            }
        }
        return nullptr;
    }

    // The index of the one visible page; -1 when none or several are visible.
    int VisiblePage() const {
        int visible = -1, count = 0;
        for (int i = 0; i < 4; ++i) {
            HWND page = PageWindow(i);
            if (page && IsWindowVisible(page)) {
                visible = i;
                ++count;
            }
        }
        return count == 1 ? visible : -1;
    }

    // The page the wizard shows once it has settled: a page switch may follow a click by a
    // message of its own, after Sync() has already returned. Waits up to three seconds
    // for the expected page and returns what is shown then.
    int WaitForPage(int expected) const {
        int shown = VisiblePage();
        for (int tries = 0; tries < 60 && shown != expected; ++tries) {
            Sleep(50);
            shown = VisiblePage();
        }
        return shown;
    }

    void Click(int id) const {
        PostMessageA(Control(id), BM_CLICK, 0, 0);
        Sync();
    }

    void PostCommand(int id) const {
        PostMessageA(frame_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Control(id)));
        Sync();
    }

    void Key(HWND target, WPARAM key) const {
        PostMessageA(target, WM_KEYDOWN, key, 1);
        PostMessageA(target, WM_KEYUP, key, 0xC0000001);
        Sync();
    }

    bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

    bool WaitForExit(DWORD* code) const {
        if (WaitForSingleObject(process_.hProcess, 15000) != WAIT_OBJECT_0) return false;
        GetExitCodeProcess(process_.hProcess, code);
        return true;
    }

    Capture CaptureClient() const {
        RECT client;
        GetClientRect(frame_, &client);
        POINT origin = {0, 0};
        ClientToScreen(frame_, &origin);
        return CaptureScreen(origin.x, origin.y, client.right, client.bottom);
    }

    void Screenshot(const std::string& name) const {
        RECT r;
        GetWindowRect(frame_, &r);
        const std::string folder = WinPath(TARVENNE_SCREENSHOT_DIR);
        MakeFolders(folder);
        WriteBmp(CaptureScreen(r.left, r.top, r.right - r.left, r.bottom - r.top),
                 folder + "\\" + name + ".bmp");
    }

private:
    std::string folder_, exe_, ini_;
    PROCESS_INFORMATION process_ = {};
    HWND frame_ = nullptr;
};

// Which of the four captions the banner shows: the one whose rendering matches the
// dark pixels of the caption rows best, or -1 when even the best one is a poor match.
int BannerCaption(const Wizard& wizard) {
    const Capture shot = wizard.CaptureClient();
    if (shot.height < kCaptionBottom) return -1;
    std::vector<bool> seen;
    for (int y = kCaptionTop; y < kCaptionBottom; ++y)
        for (int x = 0; x < shot.width; ++x) seen.push_back(IsDark(shot.At(x, y)));
    int best = -1;
    double best_score = 1e9;
    for (int i = 0; i < 4; ++i) {
        const std::vector<bool> expected = RenderedCaptionMask(kCaptions[i], shot.width);
        int differing = 0, dark = 0;
        for (std::size_t k = 0; k < expected.size(); ++k) {
            if (expected[k] != seen[k]) ++differing;
            if (expected[k]) ++dark;
        }
        const double score = dark ? static_cast<double>(differing) / dark : 1e9;
        if (score < best_score) {
            best_score = score;
            best = i;
        }
    }
    return best_score < 0.2 ? best : -1;
}

// The painted band: white at the left, light blue at the right, the title in navy.
::testing::AssertionResult BannerLooksRight(const Wizard& wizard) {
    const Capture shot = wizard.CaptureClient();
    auto close_to = [](COLORREF a, int r, int g, int b) {
        return std::abs(GetRValue(a) - r) <= 8 && std::abs(GetGValue(a) - g) <= 8 &&
               std::abs(GetBValue(a) - b) <= 8;
    };
    if (!close_to(shot.At(2, 60), 255, 255, 255))
        return ::testing::AssertionFailure() << "left of the band is not white";
    if (!close_to(shot.At(shot.width - 3, 60), 192, 192, 255))
        return ::testing::AssertionFailure() << "right of the band is not light blue";
    int navy = 0;
    for (int y = 14; y < 30; ++y)
        for (int x = 25; x < 260; ++x) {
            const COLORREF c = shot.At(x, y);
            if (GetBValue(c) >= 100 && GetRValue(c) < 80 && GetGValue(c) < 80) ++navy;
        }
    if (navy < 60) return ::testing::AssertionFailure() << "no navy title (" << navy << " pixels)";
    return ::testing::AssertionSuccess();
}

void ExpectNavigation(const Wizard& w, bool prev, bool next, const char* cancel_text) {
    EXPECT_EQ(IsWindowEnabled(w.Control(IDC_PREV)) != FALSE, prev);
    EXPECT_EQ(IsWindowEnabled(w.Control(IDC_NEXT)) != FALSE, next);
    EXPECT_TRUE(IsWindowEnabled(w.Control(IDCANCEL)));
    EXPECT_EQ(WindowText(w.Control(IDCANCEL)), cancel_text);
    EXPECT_EQ(WindowText(w.Control(IDC_PREV)), "< &Prev ");
    EXPECT_EQ(WindowText(w.Control(IDC_NEXT)), "&Next >");
}

void ExpectAllKeysWritten(const Wizard& w) {
    for (const char* key : kIniKeys) EXPECT_NE(w.IniValue(key), "<missing>") << key;
}

TEST(WizardDriver, FirstRunShowsOptionsAndCancelWritesDefaults) {
    REQUIRE_DISPLAY();
    Wizard w(TestName());
    ASSERT_TRUE(w.Start());
    EXPECT_EQ(WindowText(w.Frame()), kFrameTitle);
    EXPECT_EQ(w.WaitForPage(0), 0);
    for (int i = 0; i < 4; ++i) EXPECT_NE(w.PageWindow(i), nullptr) << i;
    ExpectNavigation(w, false, true, "&Cancel");
    EXPECT_EQ(WindowText(w.Control(IDC_HELP_BUTTON)), "&Help");
    EXPECT_TRUE(IsWindowEnabled(w.Control(IDC_HELP_BUTTON)));
    // Help opens the page the build puts beside the program.
    std::string built = WinPath(TARVENNE_WIZARD_EXE);
    built = built.substr(0, built.rfind('\\') + 1) + "help.html";
    EXPECT_TRUE(Exists(built)) << built;
    EXPECT_TRUE(BannerLooksRight(w));
    EXPECT_EQ(BannerCaption(w), 0);
    w.Screenshot("page0-options");

    // A Prev that arrives while it is greyed does not leave the first page.
    w.PostCommand(IDC_PREV);
    EXPECT_EQ(w.WaitForPage(0), 0);

    // Enter does nothing: the frame has no OK.
    w.Key(w.Frame(), VK_RETURN);
    w.Key(w.Control(IDC_NEXT), VK_RETURN);
    EXPECT_TRUE(w.Running());
    EXPECT_EQ(w.WaitForPage(0), 0);
    EXPECT_EQ(w.ErrorMessage(), "");

    w.Click(IDCANCEL);
    DWORD code = 1234;
    ASSERT_TRUE(w.WaitForExit(&code));
    EXPECT_EQ(code, 0u);
    ExpectAllKeysWritten(w);
    EXPECT_EQ(w.IniValue("DataMode"), "0");
    EXPECT_EQ(w.IniValue("PalmMode"), "0");
    EXPECT_EQ(w.IniValue("WabFile"), "");
    EXPECT_EQ(w.IniValue("PalmFile"), "");
    EXPECT_EQ(w.IniValue("UserID"), "0");
    for (int k = 5; k < 14; ++k) EXPECT_EQ(w.IniValue(kIniKeys[k]), "0") << kIniKeys[k];
}

TEST(WizardDriver, ModesOutOfRangeAndTheCloseBox) {
    REQUIRE_DISPLAY();
    Wizard w(TestName());
    w.WriteIni("[Brisfold]\r\nDataMode=7\r\nPalmMode=7\r\nWabFile=C:\\Books\\home.wab\r\n"
               "PalmFile=C:\\Palm\\address.dat\r\nUserID=1002\r\nCustom2=973471774\r\n"
               "[ZerazarIvuvez]\r\nSwapName=1\r\n");
    ASSERT_TRUE(w.Start());
    EXPECT_EQ(w.WaitForPage(0), 0);
    // The close box sends SC_CLOSE, which the dialog turns into Cancel.
    PostMessageA(w.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 1234;
    ASSERT_TRUE(w.WaitForExit(&code));
    EXPECT_EQ(code, 0u);
    ExpectAllKeysWritten(w);
    EXPECT_EQ(w.IniValue("DataMode"), "0");  // unknown source mode: current address book
    EXPECT_EQ(w.IniValue("PalmMode"), "1");  // unknown target mode: by file
    EXPECT_EQ(w.IniValue("WabFile"), "C:\\Books\\home.wab");
    EXPECT_EQ(w.IniValue("PalmFile"), "C:\\Palm\\address.dat");
    EXPECT_EQ(w.IniValue("UserID"), "1002");
    EXPECT_EQ(w.IniValue("Custom2"), "973471774");
    EXPECT_EQ(w.IniValue("Custom1"), "0");
    char swap[16] = {};
    GetPrivateProfileStringA("ZerazarIvuvez", "SwapName", "", swap, sizeof swap, w.Ini().c_str());
    EXPECT_STREQ(swap, "1");
}

TEST(WizardDriver, EscapeActsAsCancel) {
    REQUIRE_DISPLAY();
    Wizard w(TestName());
    ASSERT_TRUE(w.Start());
    w.Key(w.Frame(), VK_ESCAPE);
    DWORD code = 1234;
    ASSERT_TRUE(w.WaitForExit(&code));
    EXPECT_EQ(code, 0u);
    ExpectAllKeysWritten(w);
}

// Copies a sample of the project into the run folder; empty when the sample is missing.
std::string CopySample(const Wizard& w, const char* name) {
    const std::string source = WinPath(TARVENNE_SOURCE_DIR) + "\\samples\\" + name;
    const std::string target = w.Folder() + "\\" + name;
    if (!Exists(source) || !CopyFileA(source.c_str(), target.c_str(), FALSE)) return "";
    return target;
}

TEST(WizardDriver, PagesForwardBackAndThroughTheConversion) {
    REQUIRE_DISPLAY();
    Wizard w(TestName());
    // The sample address book and contacts file when the tree has them; the stand-in
    // Palm Desktop 4.1.1 (classic layout) when the test bed was built.
    std::string book = CopySample(w, "contacts.vcf");
    if (book.empty()) {
        book = w.Folder() + "\\contacts.vcf";
        std::ofstream(book, std::ios::binary)
            << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ada Lovelace\r\nN:Lovelace;Ada;;;\r\n"
               "EMAIL:ada@example.org\r\nEND:VCARD\r\n";
    }
    const std::string contacts = CopySample(w, "address-classic.dat");
    std::string ini = "[Brisfold]\r\nDataMode=1\r\nWabFile=" + book + "\r\nPalmMode=1\r\n"
                      "PalmFile=" + contacts + "\r\n";
    const std::string palm411 = WinPath(TARVENNE_TESTBED_DIR) + "\\palm411";
    if (Exists(palm411 + "\\palm.exe")) ini += "[Path]\r\nPDPath=" + palm411 + "\r\n";
    w.WriteIni(ini);
    ASSERT_TRUE(w.Start());
    ASSERT_EQ(w.WaitForPage(0), 0);

    // Typing into the page's edit box reaches the control and reads back whole.
    HWND options = w.PageWindow(0);
    HWND book_box = GetDlgItem(options, IDC_WAB_FILE);
    ASSERT_NE(book_box, nullptr);
    SendMessageA(book_box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(book.c_str()));
    char typed[300] = {};
    SendMessageA(book_box, WM_GETTEXT, sizeof typed, reinterpret_cast<LPARAM>(typed));
    EXPECT_EQ(book, typed);

    w.Click(IDC_NEXT);
    ASSERT_EQ(w.ErrorMessage(), "");
    ASSERT_EQ(w.WaitForPage(1), 1);
    ExpectNavigation(w, true, true, "&Cancel");
    EXPECT_TRUE(BannerLooksRight(w));
    EXPECT_EQ(BannerCaption(w), 1);
    w.Screenshot("page1-record-list");
    w.Key(w.Frame(), VK_RETURN);
    EXPECT_EQ(w.WaitForPage(1), 1);

    // Prev asks no page and goes back one.
    w.Click(IDC_PREV);
    EXPECT_EQ(w.WaitForPage(0), 0);
    ExpectNavigation(w, false, true, "&Cancel");
    EXPECT_EQ(BannerCaption(w), 0);
    char kept[300] = {};
    SendMessageA(book_box, WM_GETTEXT, sizeof kept, reinterpret_cast<LPARAM>(kept));
    EXPECT_STREQ(kept, typed);  // the page kept what was typed
    w.Click(IDC_NEXT);
    ASSERT_EQ(w.ErrorMessage(), "");
    ASSERT_EQ(w.WaitForPage(1), 1);

    // One Next runs the progress page and ends on the result page. The progress page is
    // photographed when the run lasts long enough to be seen.
    PostMessageA(w.Control(IDC_NEXT), BM_CLICK, 0, 0);
    bool saw_progress = false;
    for (int i = 0; i < 1500; ++i) {
        const int page = w.VisiblePage();
        if (page == 2 && !saw_progress) {
            saw_progress = true;
            Sleep(150);
            w.Screenshot("page2-progress");
        }
        if (page == 3 || !w.ErrorMessage().empty()) break;
        Sleep(20);
    }
    w.Sync();
    ASSERT_EQ(w.ErrorMessage(), "");
    ASSERT_EQ(w.WaitForPage(3), 3);
    ExpectNavigation(w, false, false, "&Finish");
    EXPECT_TRUE(BannerLooksRight(w));
    EXPECT_EQ(BannerCaption(w), 3);
    w.Screenshot("page3-result");

    // Greyed Prev and Next do nothing on the last page, whoever sends them.
    w.PostCommand(IDC_NEXT);
    w.PostCommand(IDC_PREV);
    EXPECT_EQ(w.WaitForPage(3), 3);
    EXPECT_TRUE(w.Running());

    w.Click(IDCANCEL);
    DWORD code = 1234;
    ASSERT_TRUE(w.WaitForExit(&code));
    EXPECT_EQ(code, 0u);
    ExpectAllKeysWritten(w);
    EXPECT_EQ(w.IniValue("DataMode"), "1");
    EXPECT_EQ(w.IniValue("PalmMode"), "1");
    EXPECT_EQ(w.IniValue("WabFile"), book);
    EXPECT_EQ(w.IniValue("PalmFile"), contacts);
}

}  // namespace
