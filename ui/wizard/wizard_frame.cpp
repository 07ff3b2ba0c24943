// The wizard frame: page hosting, navigation, the banner and the settings' load and save.
#include "ui/wizard/wizard_frame.h"

#include "platform/module_folder.h"
#include "resources/resource_ids.h"
#include "ui/framework/program_instance.h"
#include "ui/look/banner.h"
#include "ui/look/owner_button.h"
#include "ui/pages/options_page.h"
#include "ui/pages/progress_page.h"
#include "ui/pages/record_list_page.h"
#include "ui/pages/result_page.h"
#include "ui/wizard/wizard_page.h"

#include <shellapi.h>

#include <string>

namespace tarvenne {

WizardFrame::WizardFrame()
    : DialogWindow(false), settings_(std::make_unique<WizardSettings>()) {
    icon_ = static_cast<HICON>(LoadImageA(ProgramInstance(), MAKEINTRESOURCEA(IDI_TARVENNE),
                                          IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

WizardFrame::~WizardFrame() {
    settings_.reset();
    if (icon_) DestroyIcon(icon_);
    for (auto& page : pages_) page.reset();
}

WizardPage* WizardFrame::Page(int index) const {
    if (index < 0 || index >= kMaxPages) return nullptr;
    return pages_[index].get();
}

void WizardFrame::LoadSettings() { tarvenne::LoadSettings(settings_.get(), platform::SettingsFilePath()); }

void WizardFrame::SaveSettings() { tarvenne::SaveSettings(*settings_, platform::SettingsFilePath()); }

INT_PTR WizardFrame::OnInitDialog(WPARAM, LPARAM) {
    LoadSettings();

    // Pages go where the hidden placeholder is, a little higher to close the gap under
    // the banner.
    RECT page_rect = {};
    GetWindowRect(GetDlgItem(window_, IDC_PAGE_PLACEHOLDER), &page_rect);
    POINT corners[2] = {{page_rect.left, page_rect.top}, {page_rect.right, page_rect.bottom}};
    ScreenToClient(window_, &corners[0]);
    ScreenToClient(window_, &corners[1]);
    page_rect = {corners[0].x, corners[0].y - 10, corners[1].x, corners[1].y};

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
    EnableWindow(GetDlgItem(window_, IDC_PREV), current_ != 0);
    EnableWindow(GetDlgItem(window_, IDC_NEXT), current_ != last);
    if (current_ == last) {
        SetDlgItemTextA(window_, IDCANCEL, "&Finish");
        EnableWindow(GetDlgItem(window_, IDC_PREV), FALSE);
    } else {
        SetDlgItemTextA(window_, IDCANCEL, "&Cancel");
    }
    // A button that just went grey loses the keyboard; hand it to Cancel/Finish, which
    // is always there.
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus) && !IsWindowEnabled(focus)) {
        SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, IDCANCEL)),
                     TRUE);
    }

    for (int i = 0; i < static_cast<int>(count_); ++i) {
        if (pages_[i]) pages_[i]->Show(i == current_);
    }
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

INT_PTR WizardFrame::Next() {
    // Next may be posted while it is greyed: there is no page after the last one.
    if (current_ < 0 || current_ >= static_cast<int>(count_) - 1) return 0;
    if (!IsWindowEnabled(GetDlgItem(window_, IDC_NEXT))) return 0;
    if (WizardPage* page = Page(current_)) {
        if (!page->Activate(true)) return 0;
    }
    ++current_;
    if (WizardPage* page = Page(current_)) page->Activate(false);
    UpdateNavigation();

    // The progress page is never stayed on: it converts and hands over to the result page.
    if (current_ == static_cast<int>(count_) - 2 && Page(current_) == progress_ && progress_) {
        progress_->RunConversion();
        return OnCommand(MAKEWPARAM(IDC_NEXT, BN_CLICKED), 0);
    }
    return 1;
}

void WizardFrame::OpenHelp() {
    const std::string help = platform::ModuleFolder() + "help.html";
    // A shell that cannot open the page is not reported.
    ShellExecuteA(window_, "open", help.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR WizardFrame::OnCommand(WPARAM p1, LPARAM) {
    switch (LOWORD(p1)) {
    case IDCANCEL:
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
        return 0;  // IDOK (Enter) included: the wizard moves only on its buttons
    }
}

INT_PTR WizardFrame::OnEraseBackground(WPARAM p1, LPARAM) {
    if (WizardPage* page = Page(current_)) {
        PaintBanner(window_, reinterpret_cast<HDC>(p1), page->Caption());
    }
    return 1;
}

INT_PTR WizardFrame::OnDestroy(WPARAM, LPARAM) {
    SaveSettings();
    PostQuitMessage(0);
    return 0;
}

INT_PTR WizardFrame::OnDrawItem(WPARAM, LPARAM p2) {
    return DrawOwnerButton(reinterpret_cast<const DRAWITEMSTRUCT*>(p2)) ? 1 : 0;
}

}  // namespace tarvenne
