// ResultPage: the summary of the run, with the outcome as it really was, and the two
// programs the user may want next.
#include "ui/pages/result_page.h"

#include "engine/conversion_job.h"
#include "palminstall/palm_desktop_libraries.h"
#include "palminstall/palm_desktop_locator.h"
#include "resources/resource_ids.h"
#include "ui/dialogs/cut_details_dialog.h"
#include "ui/framework/program_instance.h"
#include "ui/framework/shell_open.h"
#include "ui/pages/progress_page.h"
#include "ui/wizard/wizard_frame.h"
#include "ui/wizard/wizard_settings.h"

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

INT_PTR ResultPage::OnInitDialog(WPARAM, LPARAM) { return 0; }

namespace {

// The contacts file the run read and was to write; empty when none was opened.
std::string ContactsFileOf(const ConversionJob& job) {
    if (job.LoadedLayout() == kLayoutClassic) return job.ClassicFile().LoadedPath();
    if (job.LoadedLayout() == kLayoutPalmSg) return job.PalmSgFile().LoadedPath();
    return std::string();
}

void ShowControl(HWND page, int id, bool shown) { ShowWindow(GetDlgItem(page, id), shown ? SW_SHOW : SW_HIDE); }

// Moves a control to a place of the template, in dialog units.
void Place(HWND page, int id, int x, int y, int width, int height) {
    RECT r = {x, y, x + width, y + height};
    MapDialogRect(page, &r);
    SetWindowPos(GetDlgItem(page, id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

const ProgressPage* ResultPage::Progress() const {
    return frame_ ? dynamic_cast<const ProgressPage*>(frame_->Page(2)) : nullptr;
}

bool ResultPage::Activate(bool leaving) {
    if (leaving) return true;
    WizardSettings* settings = Settings();
    if (!settings) return true;

    SetDlgItemTextA(window_, IDC_RESULT_FILE,
                    settings->DataMode != 0 ? settings->WabFile.c_str()
                                            : "Current Outlook Express Address Book");
    const std::string contacts = settings->Job ? ContactsFileOf(*settings->Job) : std::string();
    SetDlgItemTextA(window_, IDC_RESULT_CONTACTS, contacts.c_str());

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

    ShowOutcome(contacts, settings->SelectedCount);
    return true;
}

void ResultPage::ShowOutcome(const std::string& contacts, int converted) {
    const ProgressPage* progress = Progress();
    const bool saved = progress && progress->Saved();
    // What a failed run did not do is not shown as done: no backup, count or cut values.
    SetDlgItemTextA(window_, IDC_RESULT_TEXT, saved ? "Succeeded." : "Failed: nothing was written.");
    SetDlgItemTextA(window_, IDC_RESULT_BACKUP, saved && !contacts.empty() ? (contacts + ".xbk").c_str() : "");
    SetDlgItemTextA(window_, IDC_RESULT_COUNT, std::to_string(converted).c_str());
    for (int id : {IDC_RESULT_BACKUP_LABEL, IDC_RESULT_BACKUP, IDC_RESULT_COUNT_LABEL, IDC_RESULT_COUNT})
        ShowControl(window_, id, saved);

    std::string reason;
    const std::size_t cuts = progress ? progress->CutLines().size() : 0;
    // Another program wrote the file meanwhile: the run may be made again on what it holds now.
    const bool again = !saved && progress && progress->LastSaveFailure() == SaveFailure::kChangedOnDisk;
    if (!saved) {
        reason = progress && !progress->SaveError().empty() ? progress->SaveError()
                                                             : std::string("The Palm Desktop contacts file was not written.");
        // Where the backup and the count would be, with the page's width: a reason can be long.
        Place(window_, IDC_RESULT_REASON, 15, 86, 236, again ? 38 : 54);
    } else if (cuts > 0) {
        reason = cuts == 1 ? std::string("1 value was not kept whole.")
                           : std::to_string(cuts) + " values were not kept whole.";
        Place(window_, IDC_RESULT_REASON, 15, 116, 172, 26);
    }
    SetDlgItemTextA(window_, IDC_RESULT_REASON, reason.c_str());
    ShowControl(window_, IDC_RESULT_REASON, !reason.empty());
    ShowControl(window_, IDC_RESULT_DETAILS, saved && cuts > 0);
    ShowControl(window_, IDC_RESULT_START_AGAIN, again);
}

INT_PTR ResultPage::OnCommand(WPARAM p1, LPARAM) {
    WizardSettings* settings = Settings();
    switch (LOWORD(p1)) {
    case IDC_OPEN_ADDRESS_BOOK: {
        const std::string parameters =
            settings ? AddressBookParameters(settings->DataMode, settings->WabFile.str())
                     : std::string();
        OpenWithShell(window_, "wab.exe", parameters, "The address book program (wab.exe) could not be started");
        return 1;
    }
    case IDC_OPEN_PALM_DESKTOP: {
        std::string folder;
        if (FindDesktopFolder(&folder, 260) != kDesktopFolderFound || folder.empty()) {
            MessageBoxA(window_, "Palm Desktop cannot be started: no Palm Desktop was found on this computer.",
                        "Error", MB_OK | MB_ICONERROR);
            return 1;
        }
        const std::string program = DesktopFilePath(folder, "palm.exe");
        OpenWithShell(window_, program, std::string(), "Palm Desktop (" + program + ") could not be started");
        return 1;
    }
    case IDC_RESULT_START_AGAIN:
        if (frame_) frame_->StartAgain();
        return 1;
    case IDC_RESULT_DETAILS:
        if (const ProgressPage* progress = Progress()) {
            CutDetailsDialog details(progress->CutLines());
            details.RunModal(window_, ProgramInstance(), IDD_CUT_DETAILS);
        }
        return 1;
    default:
        return 0;
    }
}

}  // namespace tarvenne
