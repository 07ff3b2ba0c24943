// OptionsPage: the choices of source, target and options, checked and stored when Next
// is pressed, then the target opened, the address book loaded and compared.
#include "ui/pages/options_page.h"

#include "engine/conversion_job.h"
#include "palmfile/address_file.h"
#include "palminstall/user_list_combo.h"
#include "resources/resource_ids.h"
#include "ui/pages/file_problems.h"
#include "ui/wizard/wizard_settings.h"
#include "wab/property_mapping.h"
#include "wab/wab_loader.h"

#include <commdlg.h>

#include <cctype>
#include <cstring>
#include <string>

namespace tarvenne {

namespace {

constexpr char kCurrentBookUnreadable[] =
    "The current Outlook Express address book cannot be read.";
constexpr char kInvalidContactsFile[] = "Invalid Palm Desktop contacts file.";

// The classic OPENFILENAMEA, without the fields Windows 2000 appended, so that the
// dialog runs on every system the program supports (76 bytes in the 32-bit program).
const DWORD kOpenFileNameClassicSize = OPENFILENAME_SIZE_VERSION_400A;

std::string DialogItemText(HWND dialog, int id) {
    char text[260] = {};  // at most 259 characters, as the settings fields hold
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool EndsWithVcf(const std::string& path) {
    if (path.size() < 4) return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".vcf";
}

// A reason as the engine words it, as a sentence of its own under the message.
std::string Sentence(std::string reason) {
    if (reason.empty()) return reason;
    reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
    if (reason.back() != '.') reason += '.';
    return reason;
}

// Why an address book file that opens could not be read. A file that is no vCard file and
// that the address book library refused (or that no library was there to try) is said
// to be neither; a damaged vCard file gets the reader's own reason.
std::string BookRefusalText(const wab::WabLoader& loader, const std::string& path) {
    if (StartsLikeVCard(path)) return Sentence(loader.LastError());
    if (loader.LastRoad() == wab::LoadRoad::VCard && !loader.HasOpenEntryPoint() && !EndsWithVcf(path))
        return "\"" + path + "\" is not a vCard file, and address book (.wab) files cannot be read here: the address "
               "book library \"" + loader.LibraryPath() + "\" " +
               (loader.LibraryLoaded() ? "has no WABOpen." : "could not be loaded.");
    return "\"" + path + "\" is neither an address book nor a vCard file.";
}

// The folder of the path in a box, for a file dialog to start in; empty when the box
// names no folder that exists.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return std::string();
    std::string folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // "C:" alone is not the root
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::string();
    }
    return folder;
}

}  // namespace

OptionsPage::OptionsPage(WizardFrame* frame)
    : WizardPage(frame, "Please set the conversion options.", IDD_OPTIONS_PAGE) {}

OptionsPage::~OptionsPage() { users_.Clear(true); }

INT_PTR OptionsPage::OnInitDialog(WPARAM, LPARAM) { return 0; }

bool OptionsPage::IsChecked(int id) const {
    return IsDlgButtonChecked(window_, id) == BST_CHECKED;
}

void OptionsPage::ShowError(const std::string& message) {
    // The wait cursor of a load must not hang over the message.
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    MessageBoxA(window_, message.c_str(), "Error", MB_OK | MB_ICONERROR);
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

    int code = 0;
    if (IsChecked(IDC_CURRENT_WAB)) {
        settings->DataMode = 0;
    } else {
        settings->DataMode = 1;
        settings->WabFile = DialogItemText(window_, IDC_WAB_FILE);
        const FileProblem problem = FindFileProblem(settings->WabFile.str(), FileRole::kAddressBook, &code);
        if (problem != FileProblem::kNone) {
            ShowError(FileProblemText(problem, FileRole::kAddressBook, settings->WabFile.str(), code));
            return false;
        }
    }

    // Also in file mode: the result page names this user. With no users the combo box
    // answers CB_ERR (-1), which is what is kept.
    HWND user_box = GetDlgItem(window_, IDC_USER_BOX);
    const LRESULT selected = SendMessageA(user_box, CB_GETCURSEL, 0, 0);
    const auto user = static_cast<std::int32_t>(SendMessageA(user_box, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));

    std::string contacts_file;
    if (IsChecked(IDC_BY_USER)) {
        settings->PalmMode = 0;
        AddressFile::UserFilePath(user, &contacts_file);
    } else {
        settings->PalmMode = 1;
        settings->PalmFile = DialogItemText(window_, IDC_PALM_FILE);
        contacts_file = settings->PalmFile.str();
    }
    settings->UserID = user;
    // A user without a folder is the job's to explain; every other file is opened once
    // here, so that a file that cannot be opened at all is refused with one reason.
    if (settings->PalmMode == 1 || !contacts_file.empty()) {
        const FileProblem problem = FindFileProblem(contacts_file, FileRole::kContactsFile, &code);
        if (problem != FileProblem::kNone) {
            ShowError(FileProblemText(problem, FileRole::kContactsFile, contacts_file, code));
            return false;
        }
    }

    // Stays until the record list page has been filled.
    SetCursor(LoadCursor(nullptr, IDC_WAIT));

    ConversionJob& job = *settings->Job;
    job.SetSwapNames(IsChecked(IDC_SWAP_NAMES));
    // A target or an address book that cannot be read stops the wizard here, with the
    // reason: going on would show an empty list and convert into nothing.
    const bool target_read = settings->PalmMode == 0 ? job.LoadTargetForUser(settings->UserID)
                                                     : job.LoadTargetFromFile(contacts_file);
    if (!target_read) {
        ShowError(std::string(kInvalidContactsFile) + "\n\n" + job.LastError());
        return false;
    }
    // Refused now rather than after the user's choices and the whole run.
    const std::int32_t writes = job.UsesNewLayout() ? kLayoutPalmSg : kLayoutClassic;
    if (job.LoadedLayout() != writes) {
        const bool classic = job.LoadedLayout() == kLayoutClassic;
        const std::string& path = classic ? job.ClassicFile().LoadedPath() : job.PalmSgFile().LoadedPath();
        ShowError(LayoutRefusalText(path, classic, job.DesktopVersion()));
        job.ResetTarget();
        return false;
    }

    wab::WabLoader& loader = *settings->Loader;
    if (!loader.Load(settings->DataMode == 1 ? settings->WabFile.str() : std::string())) {
        ShowError(settings->DataMode == 1 ? BookRefusalText(loader, settings->WabFile.str())
                                          : std::string(kCurrentBookUnreadable) + "\n\n" + Sentence(loader.LastError()));
        return false;
    }
    // The marking compares the contacts as the conversion writes them, custom fields
    // included.
    std::uint32_t tags[9];
    for (int k = 0; k < 9; ++k) tags[k] = static_cast<std::uint32_t>(settings->Custom[k]);
    loader.SetCustomFieldMap(tags, 9);
    wab::MarkAgainstTarget(&loader, &job.TargetContacts());
    return true;
}

void OptionsPage::BrowseInto(int edit_id, const char* title, const char* filters) {
    const std::string folder = FolderOf(DialogItemText(window_, edit_id));
    char file[260] = {};
    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = kOpenFileNameClassicSize;
    dialog.hwndOwner = window_;
    dialog.hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE));
    dialog.lpstrFilter = filters;
    dialog.lpstrFile = file;
    dialog.nMaxFile = 259;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
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
        // vCard files are offered with the .wab files: without the address-book library
        // they are the only books that can be read.
        BrowseInto(IDC_WAB_FILE, "Open Windows Address Book File",
                   "Address books (*.wab;*.vcf)\0*.wab;*.vcf\0vCard files (*.vcf)\0*.vcf\0"
                   "Windows Address Book files (*.wab)\0*.wab\0All files (*.*)\0*.*\0");
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
