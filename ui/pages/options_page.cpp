// OptionsPage: the choices of source, target and options, checked and stored when Next
// is pressed, then the target opened, the address book loaded and compared.
#include "ui/pages/options_page.h"

#include "engine/conversion_job.h"
#include "palminstall/user_list_combo.h"
#include "resources/resource_ids.h"
#include "ui/wizard/wizard_settings.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include <commdlg.h>

#include <cstring>
#include <string>

namespace tarvenne {

namespace {

// The classic OPENFILENAMEA, without the fields Windows 2000 appended, so that the
// dialog runs on every system the program supports (76 bytes in the 32-bit program).
const DWORD kOpenFileNameClassicSize = OPENFILENAME_SIZE_VERSION_400A;

std::string DialogItemText(HWND dialog, int id) {
    char text[260] = {};  // at most 259 characters, as the settings fields hold
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool PathExists(const std::string& path) {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

OptionsPage::OptionsPage(WizardFrame* frame)
    : WizardPage(frame, "Please set the conversion options.", IDD_OPTIONS_PAGE) {}

OptionsPage::~OptionsPage() { users_.Clear(true); }

INT_PTR OptionsPage::OnInitDialog(WPARAM, LPARAM) { return 0; }

bool OptionsPage::IsChecked(int id) const {
    return IsDlgButtonChecked(window_, id) == BST_CHECKED;
}

void OptionsPage::ShowError(const char* text) {
    MessageBoxA(window_, text, "Error", MB_OK | MB_ICONERROR);
}

void OptionsPage::SetSourceMode(bool specific_file) {
    CheckDlgButton(window_, IDC_CURRENT_WAB, specific_file ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(window_, IDC_SPECIFIC_WAB, specific_file ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(window_, IDC_WAB_FILE), specific_file);
    EnableWindow(GetDlgItem(window_, IDC_WAB_BROWSE), specific_file);
}

void OptionsPage::SetTargetMode(bool by_file) {
    CheckDlgButton(window_, IDC_BY_USER, by_file ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(window_, IDC_BY_FILE, by_file ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(window_, IDC_USER_BOX), !by_file);
    EnableWindow(GetDlgItem(window_, IDC_PALM_FILE), by_file);
    EnableWindow(GetDlgItem(window_, IDC_PALM_BROWSE), by_file);
}

bool OptionsPage::Activate(bool leaving) { return leaving ? Leave() : Enter(); }

bool OptionsPage::Enter() {
    WizardSettings* settings = Settings();
    if (!settings) return true;
    ComboBoxUserList box(GetDlgItem(window_, IDC_USER_BOX));
    ListUsers(&users_, &box, settings->UserID);

    SetDlgItemTextA(window_, IDC_WAB_FILE, settings->WabFile.c_str());
    SetDlgItemTextA(window_, IDC_PALM_FILE, settings->PalmFile.c_str());
    CheckDlgButton(window_, IDC_CHECK_DUPLICATES,
                   settings->CheckDuplicates != 0 ? BST_CHECKED : BST_UNCHECKED);
    SetSourceMode(settings->DataMode != 0);
    SetTargetMode(settings->PalmMode != 0);
    // The swap box is deliberately left as the template has it: unchecked in every run.
    return true;
}

bool OptionsPage::Leave() {
    WizardSettings* settings = Settings();
    if (!settings) return false;

    // Each choice is stored as soon as it is read, so that a refusal below still leaves
    // what the user typed in the settings written when the wizard closes.
    settings->CheckDuplicates = IsChecked(IDC_CHECK_DUPLICATES) ? 1 : 0;

    if (IsChecked(IDC_CURRENT_WAB)) {
        settings->DataMode = 0;
    } else {
        settings->DataMode = 1;
        settings->WabFile = DialogItemText(window_, IDC_WAB_FILE);
        if (!PathExists(settings->WabFile.str())) {
            ShowError("Invalid Outlook Express Address Book File.");
            return false;
        }
    }

    if (IsChecked(IDC_BY_USER)) {
        settings->PalmMode = 0;
    } else {
        settings->PalmMode = 1;
        settings->PalmFile = DialogItemText(window_, IDC_PALM_FILE);
        if (settings->PalmFile.empty() ||
            ConversionJob::ProbeContactsFile(settings->PalmFile.str()) == kProbeUnreadable) {
            ShowError("Invalid Palm Desktop contacts file.");
            return false;
        }
    }

    // Also in file mode: the result page names this user. With no users the combo box
    // answers CB_ERR (-1), which is what is kept.
    HWND user_box = GetDlgItem(window_, IDC_USER_BOX);
    const LRESULT selected = SendMessageA(user_box, CB_GETCURSEL, 0, 0);
    settings->UserID = static_cast<std::int32_t>(
        SendMessageA(user_box, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));

    // Stays until the record list page has been filled.
    SetCursor(LoadCursor(nullptr, IDC_WAIT));

    ConversionJob& job = *settings->Job;
    job.SetSwapNames(IsChecked(IDC_SWAP_NAMES));
    // Failures to open the target or the address book are not told here: the record
    // list then shows what was loaded, and the result page why nothing was written.
    if (settings->PalmMode == 0) {
        job.LoadTargetForUser(settings->UserID);
    } else {
        job.LoadTargetFromFile(settings->PalmFile.str());
    }
    settings->Loader->Load(settings->DataMode == 1 ? settings->WabFile.str() : std::string());
    wab::MarkAgainstTarget(settings->Loader.get(), &job.TargetContacts());
    return true;
}

void OptionsPage::BrowseInto(int edit_id, const char* title, const char* filters) {
    char file[260] = {};
    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = kOpenFileNameClassicSize;
    dialog.hwndOwner = window_;
    dialog.hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE));
    dialog.lpstrFilter = filters;
    dialog.lpstrFile = file;
    dialog.nMaxFile = 259;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameA(&dialog)) SetDlgItemTextA(window_, edit_id, file);
}

INT_PTR OptionsPage::OnCommand(WPARAM p1, LPARAM) {
    switch (LOWORD(p1)) {
    case IDC_CURRENT_WAB:
        SetSourceMode(false);
        return 1;
    case IDC_SPECIFIC_WAB:
        SetSourceMode(true);
        return 1;
    case IDC_BY_USER:
        SetTargetMode(false);
        return 1;
    case IDC_BY_FILE:
        SetTargetMode(true);
        return 1;
    case IDC_WAB_BROWSE:
        // Filter lists: description and pattern pairs, ended by an empty pair.
        BrowseInto(IDC_WAB_FILE, "Open Windows Address Book File",
                   "Windows Address Book File\0*.wab\0All Files(*.*)\0*.*\0");
        return 1;
    case IDC_PALM_BROWSE:
        BrowseInto(IDC_PALM_FILE, "Open Palm Desktop Contacts File",
                   "Palm Desktop Contacts File(*.dat)\0*.dat\0All Files(*.*)\0*.*\0");
        return 1;
    default:
        return 0;
    }
}

}  // namespace tarvenne
