// The wizard frame: page hosting, navigation, the banner and the settings' load and save.
#include "ui/wizard/wizard_frame.h"

#include "platform/module_folder.h"
#include "resources/resource_ids.h"
#include "ui/framework/program_instance.h"
#include "ui/framework/shell_open.h"
#include "ui/look/banner.h"
#include "ui/look/dpi.h"
#include "ui/look/owner_button.h"
#include "ui/pages/options_page.h"
#include "ui/pages/progress_page.h"
#include "ui/pages/record_list_page.h"
#include "ui/pages/result_page.h"
#include "ui/wizard/wizard_page.h"

#include <cctype>
#include <string>

namespace tarvenne {

WizardFrame* WizardFrame::mnemonic_frame_ = nullptr;

namespace {

// The side picture at the screen's resolution. Above 96 DPI it is made from the picture
// drawn at twice the size, so it is never enlarged (which would blur it). Owned by the
// caller; null when neither picture can be loaded.
HBITMAP SidePictureForScreen() {
    auto load = [](int id) {
        return static_cast<HBITMAP>(LoadImageA(ProgramInstance(), MAKEINTRESOURCEA(id),
                                               IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    };
    const int dpi = ScreenDpi();
    if (dpi <= 96) return load(IDB_SIDE_PICTURE);
    HBITMAP large = load(IDB_SIDE_PICTURE_2X);
    if (!large) return load(IDB_SIDE_PICTURE);
    BITMAP size = {};
    GetObjectA(large, sizeof size, &size);
    const int width = MulDiv(size.bmWidth, dpi, 192), height = MulDiv(size.bmHeight, dpi, 192);
    if (width >= size.bmWidth) return large;

    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old_from = SelectObject(from, large);
    HGDIOBJ old_to = SelectObject(to, scaled);
    // Halftone averages the pixels it drops, where the plain modes would leave jagged edges.
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(from, old_from);
    SelectObject(to, old_to);
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(nullptr, screen);
    DeleteObject(large);
    return scaled;
}

// The letter after the single '&' of a control's text; 0 when it has none.
char MnemonicOf(HWND control) {
    char text[128] = {};
    GetWindowTextA(control, text, sizeof text);
    for (const char* p = text; *p; ++p) {
        if (*p != '&') continue;
        if (p[1] != '&') return p[1];
        ++p;  // "&&" shows one '&'
    }
    return 0;
}

// What is typed while the wizard is busy converting waits in the queue; none of it may
// act on the page that follows.
void DropQueuedInput() {
    MSG dropped;
    while (PeekMessageA(&dropped, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageA(&dropped, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (PeekMessageA(&dropped, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, PM_REMOVE)) {
    }
}

}  // namespace

WizardFrame::WizardFrame()
    : DialogWindow(false), settings_(std::make_unique<WizardSettings>()) {
    icon_ = static_cast<HICON>(LoadImageA(ProgramInstance(), MAKEINTRESOURCEA(IDI_TARVENNE),
                                          IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

WizardFrame::~WizardFrame() {
    settings_.reset();
    if (mnemonic_filter_) UnhookWindowsHookEx(mnemonic_filter_);
    if (mnemonic_frame_ == this) mnemonic_frame_ = nullptr;
    if (side_picture_) DeleteObject(side_picture_);
    if (icon_) DestroyIcon(icon_);
    for (auto& page : pages_) page.reset();
}

WizardPage* WizardFrame::Page(int index) const {
    if (index < 0 || index >= kMaxPages) return nullptr;
    return pages_[index].get();
}

void WizardFrame::LoadSettings() {
    tarvenne::LoadSettings(settings_.get(), platform::SettingsFilePath());
}

void WizardFrame::SaveSettings() {
    tarvenne::SaveSettings(*settings_, platform::SettingsFilePath());
}

INT_PTR WizardFrame::OnInitDialog(WPARAM, LPARAM) {
    LoadSettings();

    // Pages go where the hidden placeholder is, a little higher to close the gap under
    // the banner.
    RECT page_rect = {};
    GetWindowRect(GetDlgItem(window_, IDC_PAGE_PLACEHOLDER), &page_rect);
    POINT corners[2] = {{page_rect.left, page_rect.top}, {page_rect.right, page_rect.bottom}};
    ScreenToClient(window_, &corners[0]);
    ScreenToClient(window_, &corners[1]);
    page_rect = {corners[0].x, corners[0].y - ScaleToDpi(10), corners[1].x, corners[1].y};

    count_ = 0;
    auto progress = std::make_unique<ProgressPage>(this);
    progress_ = progress.get();
    std::unique_ptr<WizardPage> made[] = {
        std::make_unique<OptionsPage>(this), std::make_unique<RecordListPage>(this),
        std::move(progress), std::make_unique<ResultPage>(this)};
    for (auto& page : made) {
        WizardPage* raw = page.get();
        pages_[count_] = std::move(page);
        // A page whose template cannot be created stays without a window; the wizard goes on.
        raw->CreateModeless(window_, ProgramInstance(), raw->TemplateId(), &page_rect);
        ++count_;
    }
    // The pages come first in the frame's order, so that Tab walks the shown page's
    // controls before the frame's buttons.
    for (int i = static_cast<int>(count_) - 1; i >= 0; --i) {
        SetWindowPos(pages_[i]->Window(), HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    PlaceSidePicture();
    mnemonic_frame_ = this;
    mnemonic_filter_ = SetWindowsHookExA(WH_MSGFILTER, &WizardFrame::PageMnemonicFilter, nullptr,
                                         GetCurrentThreadId());

    current_ = 0;
    pages_[0]->Activate(false);
    pages_[0]->Show(true);
    UpdateNavigation();

    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    return 0;
}

void WizardFrame::UpdateNavigation() {
    const int last = static_cast<int>(count_) - 1;
    // The progress page is shown only while it converts: nothing may be pressed then.
    const bool converting = progress_ && Page(current_) == progress_;
    EnableWindow(GetDlgItem(window_, IDC_PREV), current_ != 0 && current_ != last && !converting);
    EnableWindow(GetDlgItem(window_, IDC_NEXT), current_ != last && !converting);
    EnableWindow(GetDlgItem(window_, IDCANCEL), !converting);
    SetDlgItemTextA(window_, IDCANCEL, current_ == last ? "&Finish" : "&Cancel");
    // Enter presses Next, and Finish on the last page.
    SendMessageA(window_, DM_SETDEFID, current_ == last ? IDCANCEL : IDC_NEXT, 0);
    for (int id : {IDC_NEXT, IDCANCEL}) InvalidateRect(GetDlgItem(window_, id), nullptr, FALSE);

    for (int i = 0; i < static_cast<int>(count_); ++i) {
        if (pages_[i]) pages_[i]->Show(i == current_);
    }
    // The keyboard never stays on a button that went grey or in a page that went away:
    // it goes to Next, or to Cancel/Finish, which is always there.
    HWND focus = GetFocus();
    if (!focus || !IsChild(window_, focus) || !IsWindowVisible(focus) ||
        !IsWindowEnabled(focus)) {
        HWND next = GetDlgItem(window_, IDC_NEXT);
        HWND target = IsWindowEnabled(next) ? next : GetDlgItem(window_, IDCANCEL);
        SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
    }
    // Only the band shows the page's caption; the pages and buttons repaint themselves.
    RECT band = {};
    GetClientRect(window_, &band);
    band.bottom = band.top + BannerHeight();
    RedrawWindow(window_, &band, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

INT_PTR WizardFrame::Next() {
    // Next may be posted while it is greyed: there is no page after the last one.
    if (!IsWindowEnabled(GetDlgItem(window_, IDC_NEXT))) return 0;
    return Advance();
}

INT_PTR WizardFrame::Advance() {
    if (current_ < 0 || current_ >= static_cast<int>(count_) - 1) return 0;
    if (WizardPage* page = Page(current_)) {
        if (!page->Activate(true)) return 0;
    }
    ++current_;
    if (WizardPage* page = Page(current_)) page->Activate(false);
    UpdateNavigation();

    // The progress page is never stayed on: it converts and hands over to the result page.
    if (current_ == static_cast<int>(count_) - 2 && Page(current_) == progress_ && progress_) {
        RunConversionBusy();
        return Advance();
    }
    return 1;
}

void WizardFrame::StartAgain() {
    current_ = 0;
    if (WizardPage* page = Page(current_)) page->Activate(false);
    UpdateNavigation();
    SetFocus(GetDlgItem(window_, IDC_NEXT));
}

void WizardFrame::RunConversionBusy() {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    progress_->RunConversion();
    DropQueuedInput();
    SetCursor(previous);
}

void WizardFrame::OpenHelp() {
    const std::string help = platform::ModuleFolder() + "help.html";
    OpenWithShell(window_, help, std::string(), "The help page \"" + help + "\" could not be opened");
}

INT_PTR WizardFrame::OnCommand(WPARAM p1, LPARAM) {
    switch (LOWORD(p1)) {
    case IDCANCEL:
        if (WizardPage* page = Page(current_); page && !page->MayQuit()) return 1;
        EndDialog(window_, 1);
        return 1;
    case IDC_HELP_BUTTON:
        OpenHelp();
        return 1;
    case IDC_PREV:
        // A click queued before the button greyed (or sent by another program) must not
        // lead back to the progress page or before the first page.
        if (current_ > 0 && IsWindowEnabled(GetDlgItem(window_, IDC_PREV))) {
            --current_;
            UpdateNavigation();
        }
        return 1;
    case IDC_NEXT:
        return Next();
    default:
        return 0;
    }
}

INT_PTR WizardFrame::OnEraseBackground(WPARAM p1, LPARAM) {
    if (WizardPage* page = Page(current_)) {
        PaintBanner(window_, reinterpret_cast<HDC>(p1), page->Caption());
    }
    return 1;
}

INT_PTR WizardFrame::OnDestroy(WPARAM, LPARAM) {
    if (mnemonic_filter_) UnhookWindowsHookEx(mnemonic_filter_);
    mnemonic_filter_ = nullptr;
    if (mnemonic_frame_ == this) mnemonic_frame_ = nullptr;
    SaveSettings();
    PostQuitMessage(0);
    return 0;
}

void WizardFrame::PlaceSidePicture() {
    HWND control = GetDlgItem(window_, IDC_SIDE_PICTURE);
    side_picture_ = SidePictureForScreen();
    if (!control || !side_picture_) return;
    // The control takes the picture's size; it keeps its place.
    SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(side_picture_));
}

bool WizardFrame::HandlePageMnemonic(const MSG& message) {
    if (message.message != WM_SYSCHAR && message.message != WM_CHAR) return false;
    if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
    if (message.message == WM_CHAR &&
        (SendMessageA(message.hwnd, WM_GETDLGCODE, message.wParam,
                      reinterpret_cast<LPARAM>(&message)) &
         (DLGC_WANTCHARS | DLGC_WANTMESSAGE))) {
        return false;  // the letter is typing
    }
    const WizardPage* page = Page(current_);
    if (!page || !IsWindowVisible(page->Window())) return false;
    const int key = std::toupper(static_cast<unsigned char>(message.wParam));
    for (HWND control = GetWindow(page->Window(), GW_CHILD); control;
         control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsWindowVisible(control) || !IsWindowEnabled(control)) continue;
        const char mnemonic = MnemonicOf(control);
        if (!mnemonic || std::toupper(static_cast<unsigned char>(mnemonic)) != key) continue;
        const LRESULT code = SendMessageA(control, WM_GETDLGCODE, 0, 0);
        if (code & DLGC_BUTTON) {
            SendMessageA(control, BM_CLICK, 0, 0);
        } else if (code & DLGC_STATIC) {
            // A label's letter leads to the control after it.
            HWND next = GetNextDlgTabItem(window_, control, FALSE);
            SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
        } else {
            continue;
        }
        return true;
    }
    return false;
}

bool WizardFrame::HandleKey(const MSG& message) {
    if (message.message != WM_KEYDOWN) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    const bool in_wizard = root == window_ || GetWindow(root, GW_OWNER) == window_;  // or a dialog of it
    if (message.wParam == VK_F1 && in_wizard) {
        OpenHelp();
        return true;
    }
    // Enter on one of the wizard's own buttons, in the frame or in one of its dialogs, presses
    // that button; elsewhere it is the default button's (Next, Finish, OK), which the dialog
    // manager presses. The owner-drawn buttons never become the default themselves, as
    // drawn ones do, so without this Enter on Cancel would press OK.
    if (message.wParam == VK_RETURN && in_wizard && IsWindowEnabled(message.hwnd) && IsOwnerDrawnButton(message.hwnd)) {
        SendMessageA(message.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    return false;
}

LRESULT CALLBACK WizardFrame::PageMnemonicFilter(int code, WPARAM p1, LPARAM p2) {
    // The dialog manager asks this filter before it looks for a mnemonic itself.
    if (code == MSGF_DIALOGBOX && mnemonic_frame_) {
        const MSG& message = *reinterpret_cast<const MSG*>(p2);
        if (mnemonic_frame_->HandlePageMnemonic(message) || mnemonic_frame_->HandleKey(message)) return 1;
    }
    return CallNextHookEx(nullptr, code, p1, p2);
}

INT_PTR WizardFrame::OnDrawItem(WPARAM, LPARAM p2) {
    return DrawOwnerButton(reinterpret_cast<const DRAWITEMSTRUCT*>(p2)) ? 1 : 0;
}

}  // namespace tarvenne
