// The one driver of the window tests under Wine: build paths as Windows paths, the wizard
// started in a folder of its own (at a chosen screen resolution, with a private stand-in
// Palm Desktop), its windows found, keys and clicks sent as the window messages a person
// causes, screenshots, and the records a contacts file holds. Needs a display.
#pragma once

#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Win32 structures are filled as {size} or {kind}, the rest zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#define REQUIRE_DISPLAY() \
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display set"

namespace tarvenne::testing {

// Build paths are Linux paths; a Windows program reaches them through drive Z:.
inline std::string WinPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path;
}
inline std::string SourceFile(const std::string& relative) {
    return WinPath(TARVENNE_SOURCE_DIR "/" + relative);
}
inline bool CopyInto(const std::string& from, const std::string& to) {
    for (std::size_t at = to.find('\\', 3); at != std::string::npos; at = to.find('\\', at + 1))
        CreateDirectoryA(to.substr(0, at).c_str(), nullptr);
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}
inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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

// Every record of a contacts file, a line of its fields each, as tarvenne-cli dumps them
// (with the reason instead when the file cannot be read): the tests never read a
// contacts file themselves.
inline std::string RecordsOf(const std::string& path) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE out = CreateFileA((path + ".csv").c_str(), GENERIC_WRITE, 0, &inherited,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out;
    PROCESS_INFORMATION cli = {};
    std::string command = WinPath(TARVENNE_CLI_EXE) + " dump \"" + path + "\" --format csv";
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &cli)) {
        WaitForSingleObject(cli.hProcess, 30000);
        CloseHandle(cli.hProcess);
        CloseHandle(cli.hThread);
    }
    CloseHandle(out);
    return ReadAll(path + ".csv");
}

// The wizard's pages, each known by a control only it has.
enum WizardPageIndex { kOptions, kRecordList, kProgress, kResult };
constexpr int kPageMarkers[4] = {IDC_CURRENT_WAB, IDC_DIFFERENT_ONLY, IDC_PROGRESS_BAR,
                                 IDC_OPEN_ADDRESS_BOOK};

class Wizard {
public:
    // build/ui-runs/run_name holds app\ (the program and its tarvenne.ini) and palm\ (a
    // stand-in Palm Desktop, once installed).
    explicit Wizard(const std::string& run_name)
        : folder_(WinPath(TARVENNE_BUILD_DIR "/ui-runs/") + run_name), app_(folder_ + "\\app") {
        CopyInto(WinPath(TARVENNE_WIZARD_EXE), app_ + "\\tarvenne.exe");
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
    // A copy of a test-bed installation ("palm411" or "palm601"), its users replaced by
    // users_ini when one is given.
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

    // Starts the program with the screen at dpi (Wine's LogPixels, read as a program
    // starts) and waits until its options page takes input.
    ::testing::AssertionResult Start(int dpi = 96) {
        Stop();
        // This process measures the wizard's windows in their own pixels, unscaled.
        using SetAwareness = BOOL(WINAPI*)(HANDLE);
        if (auto set = reinterpret_cast<SetAwareness>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext"))))
            set(reinterpret_cast<HANDLE>(-3));  // per monitor
        HKEY desktop = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &desktop, nullptr);
        const DWORD pixels = static_cast<DWORD>(dpi);
        RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&pixels),
                       sizeof pixels);
        STARTUPINFOA startup = {sizeof startup};
        std::string command = "\"" + app_ + "\\tarvenne.exe\"";
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, app_.c_str(),
                       &startup, &process_);
        WaitUntil([&] { return (frame_ = TopLevel("Outlook Express to Palm Desktop")) || Ended(); },
                  30000);
        RegDeleteValueA(desktop, "LogPixels");
        RegCloseKey(desktop);
        // Keys reach the wizard once its window is the foreground one.
        SetForegroundWindow(frame_);
        if (!frame_ || !WaitUntil([&] {
                return CurrentPage() == kOptions && GetForegroundWindow() == frame_;
            }))
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
    }

    HWND Frame() const { return frame_; }
    // A visible top-level dialog of the wizard's process with that title, or null.
    HWND TopLevel(const char* title) const {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == process_.dwProcessId && IsWindowVisible(w) && ClassOf(w) == "#32770" &&
                TextOf(w) == title)
                return w;
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
    HWND PageWindow(int page) const { return GetParent(Control(kPageMarkers[page])); }
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

    // Keys pressed in order and let go in reverse, as input from the keyboard: {VK_TAB},
    // {VK_SHIFT, VK_TAB}, {VK_MENU, 'C'}.
    void Keys(std::initializer_list<WORD> chord) const {
        std::vector<INPUT> input;
        auto key = [&](WORD vk, DWORD up) {
            input.push_back({INPUT_KEYBOARD});
            input.back().ki = {vk, static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)), up};
        };
        for (WORD vk : chord) key(vk, 0);
        for (auto vk = chord.end(); vk != chord.begin();) key(*--vk, KEYEVENTF_KEYUP);
        SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
    }
    // A left click in the middle of a window: the button messages a mouse gives it, posted
    // (a pointer moved on the virtual display may reach a window not drawn there yet).
    static void Click(HWND window) {
        RECT r = {};
        GetClientRect(window, &r);
        PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, r.bottom / 2));
        PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, r.bottom / 2));
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
    // The text of the "Error" box the wizard shows, closed by Enter; empty when none shows.
    std::string TakeMessageBox(const std::string& screenshot = "") const {
        HWND box = WaitForTopLevel("Error");
        if (!box) return "";
        const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
        if (!screenshot.empty()) Screenshot(box, screenshot);
        SetForegroundWindow(box);
        Keys({VK_RETURN});
        WaitClosed(box);
        return text;
    }

    // The record list's rows, read and ticked in the wizard's process.
    HWND List() const { return Control(IDC_RECORD_LIST); }
    int RowCount() const { return static_cast<int>(Send(List(), LVM_GETITEMCOUNT)); }
    bool RowChecked(int row) const {
        return Send(List(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12 == 2;
    }
    void SetRowChecked(int row, bool checked) const {
        LVITEMA item = {};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        void* there =
            VirtualAllocEx(process_.hProcess, nullptr, sizeof item, MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(process_.hProcess, there, &item, sizeof item, nullptr);
        Send(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(there));
        VirtualFreeEx(process_.hProcess, there, 0, MEM_RELEASE);
    }

    // The client area of a window (with no window manager, nobody draws its title bar) as
    // build/screenshots/name.bmp, after giving it time to paint; scripts/run-ui-tests.sh
    // turns them into PNG files.
    static void Screenshot(HWND window, const std::string& name, int settle_ms = 300) {
        Sleep(settle_ms);
        RECT r = {};
        GetClientRect(window, &r);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
        BITMAPINFOHEADER info = {sizeof info, r.right - r.left, r.bottom - r.top, 1, 24};
        const DWORD size = ((static_cast<DWORD>(info.biWidth) * 3 + 3) & ~3u) * info.biHeight;
        HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
        void* bits = nullptr;  // bottom-up rows, as a BMP file keeps them
        HBITMAP bitmap = CreateDIBSection(memory, reinterpret_cast<BITMAPINFO*>(&info),
                                          DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, info.biWidth, info.biHeight, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        BITMAPFILEHEADER file = {0x4D42};
        file.bfOffBits = sizeof file + sizeof info;
        file.bfSize = file.bfOffBits + size;
        const std::string folder = WinPath(TARVENNE_BUILD_DIR "/screenshots");
        CreateDirectoryA(folder.c_str(), nullptr);
        std::ofstream out(folder + "\\" + name + ".bmp", std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info), sizeof info);
        out.write(static_cast<const char*>(bits), size);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

private:
    std::string folder_, app_, palm_;
    PROCESS_INFORMATION process_ = {};
    HWND frame_ = nullptr;  // not owned: the wizard's window
};

}  // namespace tarvenne::testing
