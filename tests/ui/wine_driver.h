// The one driver of the window tests under Wine: Windows paths, the wizard started in a
// folder of its own (at a chosen DPI, with a private stand-in Palm Desktop), its windows
// found, keys and clicks as a person gives them, screenshots, the records a contacts file
// holds and what the engine makes of the same choices. Needs a display.
#pragma once

#include "engine/conversion_job.h"
#include "resources/resource_ids.h"
#include "tests/test_folder.h"
#include "ui/pages/progress_page.h"
#include "vcard/vcard_reader.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// Win32 structures are filled as {size} or {kind}, the rest zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#define REQUIRE_DISPLAY() \
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display set"

namespace tarvenne::testing {

inline std::string Sample(const std::string& name) {
    return WinPath(TARVENNE_SOURCE_DIR "/samples/" + name);
}
inline std::string SmallBook() { return WinPath(TARVENNE_SOURCE_DIR "/tests/ui/small_book.vcf"); }
inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }
inline bool CopyInto(const std::string& from, const std::string& to) {
    for (std::size_t at = to.find('\\', 3); at != std::string::npos; at = to.find('\\', at + 1))
        CreateDirectoryA(to.substr(0, at).c_str(), nullptr);
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}
inline bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds = 20000) {
    for (const DWORD start = GetTickCount(); !done(); Sleep(20))
        if (GetTickCount() - start > milliseconds) return false;
    return true;
}
inline LRESULT Send(HWND window, UINT message, WPARAM p1 = 0, LPARAM p2 = 0) {
    DWORD_PTR result = 0;  // a wizard busy converting answers late
    SendMessageTimeoutA(window, message, p1, p2, SMTO_NORMAL, 30000, &result);
    return static_cast<LRESULT>(result);
}
inline std::string TextOf(HWND window) {
    char text[1024] = {};
    Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}
inline std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Every record of a contacts file as tarvenne-cli dumps them, a line each (or why the file
// cannot be read): the tests never read a contacts file themselves.
inline std::string RecordsOf(const std::string& path) {
    const std::string command =
        WinPath(TARVENNE_CLI_EXE) + " dump \"" + path + "\" --format csv 2>&1";
    std::string records;
    char buffer[4096];
    FILE* cli = _popen(command.c_str(), "rb");
    for (std::size_t n; cli && (n = std::fread(buffer, 1, sizeof buffer, cli)) > 0;)
        records.append(buffer, n);
    if (cli) _pclose(cli);
    return records;
}

// What the wizard should leave: a copy of the target (target.expected) opened by the engine
// for the stand-in palm.exe's version (40101 or 60001), the book marked against it, the
// contacts it ticks (less the one left out) converted in order and saved.
struct Expectation {
    std::vector<bool> ticked;  // per contact, in the book's order
    std::vector<int> status;   // per contact: 0 unchanged, 1 new, 2 changed
    std::vector<std::string> names;  // per contact, the display name
    std::vector<std::string> cut_lines;  // what the result page's Details lists
    std::string records;
    int converted = 0;  // contacts ticked and not left out
    std::vector<std::string> tips;  // per contact: what its row's tip says (changed ones)
};
inline Expectation Expect(std::uint32_t desktop_version, const std::string& target,
                          const std::string& book, bool swap = false, int left_out = -1,
                          const wab::CustomFieldMap& map = {}) {
    Expectation e;
    CopyInto(target, target + ".expected");
    ConversionJob job(desktop_version);
    job.SetSwapNames(swap);
    job.LoadTargetFromFile(target + ".expected");
    wab::WabLoader loader(vcard::ReadVCardBook);
    loader.Load(book);
    // Marked as the conversion writes the contacts, custom fields included.
    loader.SetCustomFieldMap(map.data(), 9);
    wab::MarkAgainstTarget(&loader, &job.TargetContacts());
    // A changed row's tip: the first eight fields converting writes, then how many more.
    for (std::uint32_t i = 0; i < loader.Count(); ++i) {
        std::string& tip = e.tips.emplace_back();
        if (loader.Get(i)->difference_status != wab::kChanged) continue;
        ContactRecord record;
        wab::ConvertSourceContact(loader.Get(i), &record);
        RecordEdits edits;
        job.ListEditsFor(record, &edits);
        int lines = 0;
        for (const RecordEdit& edit : edits.All())
            if (edit.Shown() && ++lines <= 8) tip += "\r\n" + EditLine(edit);
        tip = "Converting changes:" + tip + (lines > 8 ? "\r\nand " + std::to_string(lines - 8) + " more" : "");
    }
    for (std::uint32_t i = 0; i < loader.Count(); ++i) {
        const wab::SourceContact& contact = *loader.Get(i);
        e.status.push_back(contact.difference_status);
        e.names.emplace_back(wab::ContactListName(contact));
        e.ticked.push_back(contact.difference_status != wab::kUnchanged);
        if (!e.ticked.back() || static_cast<int>(i) == left_out) continue;
        ++e.converted;
        ContactRecord record;
        wab::ConvertSourceContact(&contact, &record);
        if (!job.AddContact(&record)) continue;
        for (const wab::TextCut& cut : wab::CutTexts(contact, record, job.LastEdits()))
            e.cut_lines.push_back(CutLine(e.names.back(), cut));
    }
    job.SaveTarget();
    e.records = RecordsOf(target + ".expected");
    return e;
}

// The program the driver starts: the wizard as built, unless a run chose another build.
inline std::string& WizardProgram() {
    static std::string program = WinPath(TARVENNE_WIZARD_EXE);
    return program;
}

// The wizard's pages, each known by a control only it has.
enum WizardPageIndex { kOptions, kRecordList, kProgress, kResult };
constexpr int kPageMarkers[4] = {IDC_CURRENT_WAB, IDC_DIFFERENT_ONLY, IDC_PROGRESS_BAR,
                                 IDC_OPEN_ADDRESS_BOOK};

class Wizard {
public:
    // build/ui-runs/run_name: app\ (the program and its tarvenne.ini), palm\ (Palm Desktop).
    explicit Wizard(const std::string& run_name, const std::string& program = WizardProgram())
        : folder_(WinPath(TARVENNE_BUILD_DIR "/ui-runs/") + run_name), app_(folder_ + "\\app") {
        CopyInto(program, app_ + "\\tarvenne.exe");
        DeleteFileA(Ini().c_str());
    }
    ~Wizard() { Stop(); }
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    const std::string& Folder() const { return folder_; }
    std::string Ini() const { return app_ + "\\tarvenne.ini"; }
    std::string PalmFile(const char* user) const {
        return folder_ + "\\palm\\" + user + "\\address\\address.dat";
    }
    // A copy of a test-bed installation (palm411, palm601), its users.ini replaced if given.
    void InstallPalmDesktop(const char* testbed, const std::string& users_ini = "") {
        const std::string from = WinPath(TARVENNE_BUILD_DIR "/testbed/") + testbed + "\\";
        palm_ = folder_ + "\\palm";
        for (const char* file : {"condmgr.dll", "UserData.dll", "HSAPI.DLL", "instaide.dll",
                                 "palm.exe", "users.ini"})
            CopyInto(from + file, palm_ + "\\" + file);
        for (const char* user : {"\\AdamsA", "\\BrownB", "\\ChenC"})
            CreateDirectoryA((palm_ + user).c_str(), nullptr);
        if (!users_ini.empty()) std::ofstream(palm_ + "\\users.ini") << users_ini;
    }
    // Section Brisfold of tarvenne.ini, and the installed Palm Desktop's folder.
    void WriteIni(const std::string& brisfold) const {
        std::ofstream(Ini(), std::ios::binary)
            << "[Brisfold]\r\n" << brisfold << "[Path]\r\nPDPath=" << palm_ << "\r\n";
    }
    std::string IniValue(const char* key) const {
        char value[512] = {};
        GetPrivateProfileStringA("Brisfold", key, "<missing>", value, sizeof value, Ini().c_str());
        return value;
    }

    // Starts it at dpi (Wine's LogPixels, read as a program starts) until the options page
    // takes input. Its windows are Wine's own, not a window manager's: the virtual display
    // has none, and Wine would wait two seconds for one at every dialog that closes.
    ::testing::AssertionResult Start(int dpi = 96, const std::string& arguments = "") {
        Stop();
        const DWORD pixels = static_cast<DWORD>(dpi);
        SHSetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &pixels, 4);
        SHSetValueA(HKEY_CURRENT_USER, kX11Key, "Managed", REG_SZ, "N", 2);
        STARTUPINFOA startup = {sizeof startup};
        std::string command = "\"" + app_ + "\\tarvenne.exe\" " + arguments;
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, app_.c_str(),
                       &startup, &process_);
        WaitUntil([&] { return (frame_ = TopLevel("Outlook Express to Palm Desktop")) || Ended(); },
                  30000);
        SHDeleteValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
        SHDeleteValueA(HKEY_CURRENT_USER, kX11Key, "Managed");
        // Keys reach the wizard once its window is the foreground one.
        SetForegroundWindow(frame_);
        if (!frame_ || !WaitUntil([&] { return CurrentPage() == kOptions &&
                                               GetForegroundWindow() == frame_; }))
            return ::testing::AssertionFailure() << "no options page of the wizard appeared";
        WaitForInputIdle(process_.hProcess, 5000);
        Sleep(300);
        return ::testing::AssertionSuccess();
    }
    bool Ended() const {
        return !process_.hProcess || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
    }
    ::testing::AssertionResult WaitForEnd() const {
        DWORD code = 1;
        if (process_.hProcess && WaitForSingleObject(process_.hProcess, 20000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(process_.hProcess, &code) && code == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the wizard did not end well: " << code;
    }
    void Stop() {
        if (!process_.hProcess) return;
        if (!Ended()) TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = {};
        frame_ = nullptr;
    }

    HWND Frame() const { return frame_; }
    // A visible top-level dialog of the wizard's process with that title (the frame
    // itself aside, once known), or null.
    HWND TopLevel(const char* title) const {
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", title)) != nullptr;) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == process_.dwProcessId && IsWindowVisible(w) && w != frame_) return w;
        }
        return nullptr;
    }
    // A dialog's own control, else the control of one of its pages.
    HWND Control(int id, HWND top = nullptr) const {
        if (HWND direct = GetDlgItem(top ? top : frame_, id)) return direct;
        for (HWND page = GetWindow(frame_, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
            if (HWND inside = ClassOf(page) == "#32770" ? GetDlgItem(page, id) : nullptr)
                return inside;
        return nullptr;
    }
    int CurrentPage() const {
        for (int i = 0; i < 4; ++i)
            if (IsWindowVisible(Control(kPageMarkers[i]))) return i;
        return -1;
    }
    bool WaitForPage(int page, int milliseconds = 60000) const {
        WaitUntil([&] { return CurrentPage() == page || TopLevel("Error") || Ended(); },
                  milliseconds);
        return CurrentPage() == page;
    }
    HWND WaitForTopLevel(const char* title) const {
        HWND found = nullptr;
        WaitUntil([&] { return (found = TopLevel(title)) != nullptr; }, 10000);
        return found;
    }
    // Waits until a dialog of the wizard has gone, and its place on the screen with it.
    static bool WaitClosed(HWND dialog) {
        const bool closed = WaitUntil([&] { return !IsWindow(dialog); });
        Sleep(300);
        return closed;
    }
    std::string Text(int id, HWND top = nullptr) const { return TextOf(Control(id, top)); }
    bool SetText(int id, const std::string& text) const {
        return Send(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
    }
    bool Checked(int id) const { return Send(Control(id), BM_GETCHECK) == BST_CHECKED; }
    bool Enabled(int id, HWND top = nullptr) const { return IsWindowEnabled(Control(id, top)); }
    // The id of the control with the keyboard focus in the wizard.
    int Focus() const {
        GUITHREADINFO info = {sizeof info};
        GetGUIThreadInfo(process_.dwThreadId, &info);
        return GetDlgCtrlID(info.hwndFocus);
    }

    // Tab until the control with that id has the keyboard focus.
    bool TabTo(int id) const {
        return WaitUntil([&] { return Focus() == id || (Keys({VK_TAB}), false); });
    }
    // Keys pressed in order and let go in reverse: {VK_TAB}, {VK_MENU, 'C'}.
    static void Keys(std::initializer_list<BYTE> chord) {
        auto key = [](BYTE vk, DWORD up) { keybd_event(vk, MapVirtualKeyA(vk, 0), up, 0); };
        for (BYTE vk : chord) key(vk, 0);
        for (auto vk = chord.end(); vk != chord.begin();) key(*--vk, KEYEVENTF_KEYUP);
    }
    // A left click in the middle of a window (or at a point of its client area): the button
    // messages a mouse gives it, posted (a pointer moved on the virtual display may reach a
    // window not drawn there yet).
    static void ClickAt(HWND window, int x, int y) {
        PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    static void Click(HWND window) {
        RECT r = {};
        GetClientRect(window, &r);
        ClickAt(window, r.right / 2, r.bottom / 2);
    }
    void Click(int id, HWND top = nullptr) const { Click(Control(id, top)); }
    bool Next(int expected_page) const {
        Click(IDC_NEXT);
        return WaitForPage(expected_page);
    }
    ::testing::AssertionResult Close() const {
        Click(IDCANCEL);
        return WaitForEnd();
    }
    // The text of the message box the wizard shows with that title, answered by a key
    // (Enter: its default button); empty when none shows.
    std::string Answer(const char* title, BYTE key = VK_RETURN) const {
        HWND box = WaitForTopLevel(title);
        if (!box) return "";
        const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
        // The key as the box's own message loop reads it: keys pressed on the virtual
        // display reach a box of another process only after a long while.
        if (key == VK_RETURN || key == VK_ESCAPE) {
            PostMessageA(box, WM_KEYDOWN, key, 0);
            PostMessageA(box, WM_KEYUP, key, 0);
        } else {
            PostMessageA(box, WM_CHAR, static_cast<WPARAM>(std::tolower(key)), 0);
        }
        WaitClosed(box);
        return text;
    }
    std::string TakeMessageBox() const { return Answer("Error"); }

    // The record list's rows, and which of them are ticked.
    int RowCount() const { return static_cast<int>(Send(List(), LVM_GETITEMCOUNT)); }
    HWND List() const { return Control(IDC_RECORD_LIST); }
    int ColumnWidth(int column) const { return static_cast<int>(Send(List(), LVM_GETCOLUMNWIDTH, column)); }
    // A click on a column's heading.
    void ClickHeading(int column) const {
        HWND header = reinterpret_cast<HWND>(Send(List(), LVM_GETHEADER));
        int x = ColumnWidth(column) / 2;
        for (int c = 0; c < column; ++c) x += ColumnWidth(c);
        RECT r = {};
        GetClientRect(header, &r);
        ClickAt(header, x, r.bottom / 2);
    }
    // A click on a row's check box, at the row's left end.
    void ClickCheckBox(int row) const {
        const RECT r = RowRect(row, LVIR_BOUNDS);
        ClickAt(List(), r.left + 8, (r.top + r.bottom) / 2);
    }
    // What a cell of the list shows, asked of the list in the wizard's own memory.
    std::string CellText(int row, int column) const {
        struct Request { LVITEMA item; char text[256]; };
        auto* remote = static_cast<Request*>(VirtualAllocEx(process_.hProcess, nullptr, sizeof(Request),
                                                            MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        Request request = {};
        request.item.iSubItem = column;
        request.item.cchTextMax = sizeof request.text;
        request.item.pszText = remote->text;
        WriteProcessMemory(process_.hProcess, remote, &request, sizeof request, nullptr);
        Send(List(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process_.hProcess, remote, &request, sizeof request, nullptr);
        VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
        request.text[sizeof request.text - 1] = '\0';
        return request.text;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int row = 0; row < RowCount(); ++row) names.push_back(CellText(row, 0));
        return names;
    }
    // The tip that shows when the pointer rests on a row ("" when none shows within a
    // second and a half). The row's place is asked of the list in the wizard's own memory.
    std::string HoverTip(int row) const {
        const auto shown = [this](std::string* text) {
            for (HWND w = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); w;
                 w = FindWindowExA(nullptr, w, TOOLTIPS_CLASSA, nullptr)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == process_.dwProcessId && IsWindowVisible(w) && !(*text = TextOf(w)).empty()) return true;
            }
            return false;
        };
        // Away from the list first, so that a tip still showing goes.
        RECT list = {};
        GetWindowRect(List(), &list);
        SetCursorPos(list.left - 20, list.top - 20);
        std::string tip;
        WaitUntil([&] { return !shown(&tip); }, 3000);
        const RECT place = RowRect(row, LVIR_LABEL);
        POINT at = {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
        ClientToScreen(List(), &at);
        SetCursorPos(at.x - 1, at.y);
        INPUT move = {};
        move.type = INPUT_MOUSE;
        move.mi.dwFlags = MOUSEEVENTF_MOVE;
        move.mi.dx = 1;
        SendInput(1, &move, sizeof move);
        tip.clear();
        WaitUntil([&] { return shown(&tip); }, 1500);
        return tip;
    }
    std::vector<bool> Ticks() const {
        std::vector<bool> ticks;
        for (int row = 0; row < RowCount(); ++row)
            ticks.push_back(Send(List(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12 == 2);
        return ticks;
    }

    // A window's client area (no title bars are drawn here) after time to paint, as
    // build/screenshots/name.bmp; scripts/run-ui-tests.sh makes PNG files of them.
    static void Screenshot(HWND window, const std::string& name, int settle_ms = 300) {
        Sleep(settle_ms);
        RECT r = {};
        GetClientRect(window, &r);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
        BITMAPINFOHEADER info = {sizeof info, r.right - r.left, r.bottom - r.top, 1, 24};
        HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, info.biWidth, info.biHeight);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, info.biWidth, info.biHeight, screen, r.left, r.top, SRCCOPY);
        SelectObject(memory, old);
        std::string bits(((info.biWidth * 3 + 3) & ~3) * info.biHeight, '\0');  // bottom-up
        GetDIBits(memory, bitmap, 0, info.biHeight, &bits[0],
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        BITMAPFILEHEADER file = {0x4D42};
        file.bfOffBits = sizeof file + sizeof info;
        file.bfSize = file.bfOffBits + static_cast<DWORD>(bits.size());
        CreateDirectoryA(WinPath(TARVENNE_BUILD_DIR "/screenshots").c_str(), nullptr);
        std::ofstream out(WinPath(TARVENNE_BUILD_DIR "/screenshots/" + name + ".bmp"),
                          std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info), sizeof info) << bits;
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

private:
    // A row's place in the list, scrolled into view, asked of the list in the wizard's memory.
    RECT RowRect(int row, int part) const {
        Send(List(), LVM_ENSUREVISIBLE, row, FALSE);
        auto* remote = static_cast<RECT*>(VirtualAllocEx(process_.hProcess, nullptr, sizeof(RECT),
                                                         MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        RECT place = {part};
        WriteProcessMemory(process_.hProcess, remote, &place, sizeof place, nullptr);
        Send(List(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process_.hProcess, remote, &place, sizeof place, nullptr);
        VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
        return place;
    }

    static constexpr char kDesktopKey[] = "Control Panel\\Desktop";
    static constexpr char kX11Key[] = "Software\\Wine\\AppDefaults\\tarvenne.exe\\X11 Driver";
    std::string folder_, app_, palm_;
    PROCESS_INFORMATION process_ = {};
    HWND frame_ = nullptr;  // not owned: the wizard's window
};

}  // namespace tarvenne::testing
