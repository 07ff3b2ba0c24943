// ResultPage: the summary of the run, with the outcome as it really was, and the two
// programs the user may want next.
#include "ui/pages/result_page.h"

#include "palminstall/palm_desktop_libraries.h"
#include "palminstall/palm_desktop_locator.h"
#include "resources/resource_ids.h"
#include "ui/framework/program_instance.h"
#include "ui/pages/progress_page.h"
#include "ui/wizard/wizard_frame.h"
#include "ui/wizard/wizard_settings.h"

#include <shellapi.h>

#include <cstdint>
#include <string>

namespace tarvenne {

std::string AddressBookParameters(int data_mode, const std::string& wab_file) {
    if (data_mode == 0 || wab_file.empty()) return std::string();
    if (wab_file.find(' ') == std::string::npos) return wab_file;
    return "\"" + wab_file + "\"";
}

ResultPage::ResultPage(WizardFrame* frame)
    : WizardPage(frame, "Outlook Express address book conversion finished.", IDD_RESULT_PAGE) {}

INT_PTR ResultPage::OnInitDialog(WPARAM, LPARAM) {
    // The reason for a failure can be long: it gets the width of the page below the two
    // buttons, where nothing else is.
    HWND left = GetDlgItem(window_, IDC_OPEN_ADDRESS_BOOK);
    HWND right = GetDlgItem(window_, IDC_OPEN_PALM_DESKTOP);
    RECT l = {}, r = {};
    if (left && right) {
        GetWindowRect(left, &l);
        GetWindowRect(right, &r);
        POINT top_left = {l.left, l.bottom};
        POINT bottom_right = {r.right, l.bottom};
        ScreenToClient(window_, &top_left);
        ScreenToClient(window_, &bottom_right);
        RECT client = {};
        GetClientRect(window_, &client);
        const int gap = (l.bottom - l.top) / 2;
        reason_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT | SS_NOPREFIX,
                                  top_left.x, top_left.y + gap, bottom_right.x - top_left.x,
                                  client.bottom - top_left.y - 2 * gap, window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kReasonId)),
                                  ProgramInstance(), nullptr);
        if (reason_) {
            SendMessageA(reason_, WM_SETFONT, SendMessageA(window_, WM_GETFONT, 0, 0), FALSE);
        }
    }
    return 0;
}

bool ResultPage::Activate(bool leaving) {
    if (leaving) return true;
    WizardSettings* settings = Settings();
    if (!settings) return true;

    SetDlgItemTextA(window_, IDC_RESULT_FILE,
                    settings->DataMode != 0 ? settings->WabFile.c_str()
                                            : "Current Outlook Express Address Book");
    SetDlgItemTextA(window_, IDC_RESULT_COUNT, std::to_string(settings->SelectedCount).c_str());

    // The name of the user chosen in the options page, also when the target was a file.
    // Without the user library no name is known, and none is shown.
    std::string name;
    const UserDataEntryPoints calls = BoundUserDataEntryPoints();
    if (calls.UmGetUserName) {
        char buffer[256] = {};
        std::int16_t size = sizeof buffer;
        if (calls.UmGetUserName(static_cast<std::uint32_t>(settings->UserID), buffer, &size)) {
            buffer[sizeof buffer - 1] = '\0';
            name = buffer;
        }
    }
    SetDlgItemTextA(window_, IDC_RESULT_USER, name.c_str());

    ShowOutcome();
    return true;
}

void ResultPage::ShowOutcome() {
    const ProgressPage* progress =
        frame_ ? dynamic_cast<const ProgressPage*>(frame_->Page(2)) : nullptr;
    const bool saved = progress && progress->Saved();
    SetDlgItemTextA(window_, IDC_RESULT_TEXT, saved ? "Succeeded." : "Failed.");
    if (!reason_) return;
    std::string reason;
    if (!saved) {
        reason = progress && !progress->SaveError().empty()
                     ? progress->SaveError()
                     : std::string("The Palm Desktop contacts file was not written.");
    }
    // Texts the file holds shorter than the address book does: one line, only when any.
    const std::size_t cuts = progress ? progress->Cuts() : 0;
    if (cuts > 0) {
        if (!reason.empty()) reason += "\n";
        reason += cuts == 1 ? std::string("1 text was cut to fit its field.")
                            : std::to_string(cuts) + " texts were cut to fit their fields.";
    }
    SetWindowTextA(reason_, reason.c_str());
    ShowWindow(reason_, reason.empty() ? SW_HIDE : SW_SHOW);
}

INT_PTR ResultPage::OnCommand(WPARAM p1, LPARAM) {
    WizardSettings* settings = Settings();
    switch (LOWORD(p1)) {
    case IDC_OPEN_ADDRESS_BOOK: {
        const std::string parameters =
            settings ? AddressBookParameters(settings->DataMode, settings->WabFile.str())
                     : std::string();
        // A program that does not start is not reported.
        ShellExecuteA(window_, "open", "wab.exe", parameters.empty() ? nullptr : parameters.c_str(),
                      nullptr, SW_SHOWNORMAL);
        return 1;
    }
    case IDC_OPEN_PALM_DESKTOP: {
        std::string folder;
        // Without a Palm Desktop folder there is nothing sensible to start.
        if (FindDesktopFolder(&folder, 260) == kDesktopFolderFound && !folder.empty()) {
            const std::string program = DesktopFilePath(folder, "palm.exe");
            ShellExecuteA(nullptr, "open", program.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        }
        return 1;
    }
    default:
        return 0;
    }
}

}  // namespace tarvenne
