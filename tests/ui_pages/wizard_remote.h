// Drives a running tarvenne.exe from another process, as a user would: its own folder
// with a copy of the program, a settings file and a private Palm Desktop stand-in; the
// frame, its pages and controls found by id; typing, clicking, list-view rows read and
// ticked through memory in the wizard's process; message boxes read and dismissed; and
// screenshots of the screen area of a window.
#pragma once

#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tarvenne::testing {

// Build paths are Linux paths; a Windows program reaches them through drive Z:.
inline std::string WinPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

inline bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void MakeFolders(const std::string& path) {
    for (std::size_t at = 3; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '\\') CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
}

inline std::string TextOf(HWND window) {
    char text[1024] = {};
    DWORD_PTR length = 0;
    // WM_GETTEXT is carried across processes; a wizard busy converting answers late.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, 20000, &length);
    return text;
}

inline std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Polls until done() or the time runs out.
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    return done();
}

// A block of memory inside another process, for list-view messages whose parameters
// are pointers.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, std::size_t size) : process_(process), size_(size) {
        address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    char* Address() const { return static_cast<char*>(address_); }
    bool Write(std::size_t offset, const void* data, std::size_t size) const {
        SIZE_T done = 0;
        return offset + size <= size_ &&
               WriteProcessMemory(process_, Address() + offset, data, size, &done) && done == size;
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const {
        SIZE_T done = 0;
        return offset + size <= size_ &&
               ReadProcessMemory(process_, Address() + offset, data, size, &done) && done == size;
    }

private:
    HANDLE process_;    // not owned: the wizard's process handle
    void* address_;     // owned: freed in the wizard's process
    std::size_t size_;
};

struct MessageBoxSeen {
    std::string caption;
    std::string text;
};

class WizardRun {
public:
    static constexpr char kFrameTitle[] = "Outlook Express to Palm Desktop";

    // A folder of its own: run_root\name\app\tarvenne.exe, and run_root\name\palm when a
    // Palm Desktop stand-in is wanted.
    WizardRun(const std::string& run_root, const std::string& name) {
        folder_ = WinPath(run_root) + "\\" + name;
        app_ = folder_ + "\\app";
        MakeFolders(app_);
        ini_ = app_ + "\\tarvenne.ini";
        DeleteFileA(ini_.c_str());
    }
    ~WizardRun() {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_.hProcess, 99);
                WaitForSingleObject(process_.hProcess, 5000);
            }
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }
    WizardRun(const WizardRun&) = delete;
    WizardRun& operator=(const WizardRun&) = delete;

    const std::string& Folder() const { return folder_; }
    const std::string& Ini() const { return ini_; }
    std::string PalmFolder() const { return folder_ + "\\palm"; }

    // A copy of a test-bed installation (its libraries, palm.exe and users file) with
    // empty user folders, named in the settings file as the Palm Desktop folder.
    void InstallPalmDesktop(const std::string& testbed_folder) {
        const std::string from = WinPath(testbed_folder);
        MakeFolders(PalmFolder());
        for (const char* file : {"condmgr.dll", "UserData.dll", "HSAPI.DLL", "instaide.dll",
                                 "palm.exe", "users.ini"}) {
            CopyFileA((from + "\\" + file).c_str(), (PalmFolder() + "\\" + file).c_str(), FALSE);
        }
        for (const char* user : {"AdamsA", "BrownB", "ChenC"}) {
            MakeFolders(PalmFolder() + "\\" + user + "\\address");
        }
        palm_desktop_ = PalmFolder();
    }
    std::string UserContactsFile(const char* user) const {
        return PalmFolder() + "\\" + user + "\\address\\address.dat";
    }

    // The settings file the wizard reads at start; the Palm Desktop folder is added.
    void WriteIni(const std::string& brisfold_lines) const {
        std::ofstream out(ini_, std::ios::binary | std::ios::trunc);
        out << "[Brisfold]\r\n" << brisfold_lines;
        if (!palm_desktop_.empty()) out << "[Path]\r\nPDPath=" << palm_desktop_ << "\r\n";
    }
    std::string IniValue(const char* key) const {
        char value[512] = {};
        GetPrivateProfileStringA("Brisfold", key, "<missing>", value, sizeof value, ini_.c_str());
        return value;
    }

    // Starts the program; a run may start it again once the last start has ended.
    ::testing::AssertionResult Start(const std::string& program) {
        if (process_.hProcess) {
            if (!Ended()) return ::testing::AssertionFailure() << "the last start is still running";
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
            process_ = {};
        }
        frame_ = nullptr;
        const std::string exe = app_ + "\\tarvenne.exe";
        if (!CopyFileA(WinPath(program).c_str(), exe.c_str(), FALSE)) {
            return ::testing::AssertionFailure() << "cannot copy " << program;
        }
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string command = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                            app_.c_str(), &startup, &process_)) {
            return ::testing::AssertionFailure() << "cannot start " << exe << ": " << GetLastError();
        }
        WaitUntil([&] {
            frame_ = TopLevel(kFrameTitle);
            return frame_ != nullptr || Ended();
        });
        if (!frame_) return ::testing::AssertionFailure() << "no wizard frame appeared";
        if (!WaitUntil([&] { return CurrentPage() == 0; })) {
            return ::testing::AssertionFailure() << "the options page is not shown";
        }
        return ::testing::AssertionSuccess();
    }

    bool Ended() const {
        return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
    }
    bool WaitForEnd() const {
        return process_.hProcess && WaitForSingleObject(process_.hProcess, 20000) == WAIT_OBJECT_0;
    }

    HWND Frame() const { return frame_; }

    // A visible top-level dialog of the wizard's process with that title.
    HWND TopLevel(const char* title) const {
        struct Find {
            DWORD pid;
            const char* title;
            HWND found;
        } find{process_.dwProcessId, title, nullptr};
        EnumWindows(
            [](HWND window, LPARAM p) -> BOOL {
                auto* f = reinterpret_cast<Find*>(p);
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                char text[256] = {};
                GetWindowTextA(window, text, sizeof text);
                if (pid == f->pid && IsWindowVisible(window) && ClassOf(window) == "#32770" &&
                    std::string(text) == f->title) {
                    f->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&find));
        return find.found;
    }

    // A control of the frame, of one of its pages, or of the given top-level dialog.
    HWND Control(int id, HWND top = nullptr) const {
        struct Find {
            int id;
            HWND found;
        } find{id, nullptr};
        EnumChildWindows(
            top ? top : frame_,
            [](HWND window, LPARAM p) -> BOOL {
                auto* f = reinterpret_cast<Find*>(p);
                if (GetDlgCtrlID(window) == f->id) {
                    f->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&find));
        return find.found;
    }

    // 0 to 3 by the page whose own control is visible; -1 when none is.
    int CurrentPage() const {
        const int markers[4] = {IDC_CURRENT_WAB, IDC_DIFFERENT_ONLY, IDC_PROGRESS_BAR,
                                IDC_OPEN_ADDRESS_BOOK};
        for (int i = 0; i < 4; ++i) {
            HWND marker = Control(markers[i]);
            if (marker && IsWindowVisible(marker)) return i;
        }
        return -1;
    }

    std::string Text(int id, HWND top = nullptr) const { return TextOf(Control(id, top)); }
    bool SetText(int id, const std::string& text) const {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                   SMTO_NORMAL, 10000, &result) != 0;
    }
    bool Checked(int id) const { return Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Enabled(int id, HWND top = nullptr) const { return IsWindowEnabled(Control(id, top)) != 0; }

    // A click on a radio button or check box, handled before this returns.
    void Click(int id) const { Send(Control(id), BM_CLICK, 0, 0); }
    // A push button whose handling may open a modal window: posted, not waited for.
    void Press(int id, HWND top = nullptr) const {
        HWND control = Control(id, top);
        PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
    }
    // A push button that opens nothing: handled before this returns.
    void PressAndWait(int id) const {
        HWND control = Control(id);
        Send(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
             reinterpret_cast<LPARAM>(control));
    }

    // Next, then wait until the page changes or an error message shows.
    void Next() const {
        const int before = CurrentPage();
        Press(IDC_NEXT);
        WaitUntil([&] { return TopLevel("Error") || CurrentPage() != before; }, 60000);
    }
    // Next from the record list page runs the conversion: wait for the result page.
    bool NextToResult() const {
        Press(IDC_NEXT);
        return WaitUntil([&] { return TopLevel("Error") || CurrentPage() == 3; }, 120000);
    }
    // Cancel or Finish, and the wizard's end.
    bool Close() const {
        Press(IDCANCEL);
        return WaitForEnd();
    }

    // The error box the wizard shows, read and closed; an empty caption when none shows.
    MessageBoxSeen TakeMessageBox(const std::string& screenshot = std::string()) const {
        MessageBoxSeen seen;
        HWND box = nullptr;
        WaitUntil([&] { return (box = TopLevel("Error")) != nullptr; }, 5000);
        if (!box) return seen;
        seen.caption = "Error";
        seen.text = TextOf(GetDlgItem(box, 0xFFFF));
        if (!screenshot.empty()) Screenshot(box, screenshot);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !IsWindow(box); }, 5000);
        return seen;
    }

    // The record list, read through memory in the wizard's process.
    HWND List() const { return Control(IDC_RECORD_LIST); }
    int RowCount() const { return static_cast<int>(Send(List(), LVM_GETITEMCOUNT, 0, 0)); }
    bool RowChecked(int row) const {
        const auto state = static_cast<UINT>(Send(List(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
        return (state & LVIS_STATEIMAGEMASK) >> 12 == 2;
    }
    std::string Cell(int row, int column) const {
        RemoteBlock block(process_.hProcess, sizeof(LVITEMA) + 512);
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = block.Address() + sizeof(LVITEMA);
        item.cchTextMax = 512;
        if (!block.Write(0, &item, sizeof item)) return "<unreadable>";
        Send(List(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(block.Address()));
        char text[512] = {};
        block.Read(sizeof(LVITEMA), text, sizeof text - 1);
        return text;
    }
    void SetRowChecked(int row, bool checked) const {
        RemoteBlock block(process_.hProcess, sizeof(LVITEMA));
        LVITEMA item = {};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        block.Write(0, &item, sizeof item);
        Send(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(block.Address()));
    }
    int RowOf(const std::string& name) const {
        for (int row = 0; row < RowCount(); ++row)
            if (Cell(row, 0) == name) return row;
        return -1;
    }

    // The screen area of a window as a 24-bit BMP, after giving it time to paint.
    void Screenshot(HWND window, const std::string& path, int settle_ms = 400) const {
        std::this_thread::sleep_for(std::chrono::milliseconds(settle_ms));
        RECT r = {};
        GetWindowRect(window, &r);
        const int width = r.right - r.left, height = r.bottom - r.top;
        if (width <= 0 || height <= 0) return;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + stride * height;
        info.bmiHeader.biSizeImage = stride * height;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        out.write(static_cast<const char*>(bits), stride * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

    static LRESULT Send(HWND window, UINT message, WPARAM p1, LPARAM p2) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, message, p1, p2, SMTO_NORMAL, 20000, &result);
        return static_cast<LRESULT>(result);
    }

private:
    std::string folder_;
    std::string app_;
    std::string ini_;
    std::string palm_desktop_;
    PROCESS_INFORMATION process_ = {};
    HWND frame_ = nullptr;  // not owned: the wizard's window
};

}  // namespace tarvenne::testing
