// ProgressPage: the conversion itself, on the user-interface thread, with the contact's
// name and a bar repainted after each contact.
#include "ui/pages/progress_page.h"

#include "engine/contact_record.h"
#include "engine/conversion_job.h"
#include "resources/resource_ids.h"
#include "ui/pages/file_problems.h"
#include "ui/wizard/wizard_settings.h"
#include "wab/property_mapping.h"
#include "wab/property_table.h"
#include "wab/source_contact.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace tarvenne {

std::string CutLine(const std::string& name, const wab::TextCut& cut) {
    const int row = wab::FindPropertyRow(cut.tag);
    const std::string field = row >= 0 ? wab::PropertyTable()[row].name : "a value";
    const std::string who = name.empty() ? std::string("(a contact without a name)") : name;
    std::string line = who + ": " + field + ", ";
    if (cut.kept == 0) line += "not kept (no room in the record)";
    else if (cut.kept < cut.length) line += std::to_string(cut.kept) + " of " + std::to_string(cut.length) + " characters kept";
    else line += "kept";
    if (cut.unmapped > 0)
        line += ", " + std::to_string(cut.unmapped) + " characters stored as '?' (the code page has no letter for them)";
    return line;
}

unsigned PacingInterval(int count) {
    return count > 0 ? 500u / static_cast<unsigned>(count) : 500u;
}

ProgressPage::ProgressPage(WizardFrame* frame)
    : WizardPage(frame, "Converting Outlook Express address book records ...",
                 IDD_PROGRESS_PAGE) {}

INT_PTR ProgressPage::OnInitDialog(WPARAM, LPARAM) {
    // The template's text is only wide enough for a placeholder; the contact line gets
    // the width of the bar under it, and the room above the bar for a second line, so that
    // a long name or address wraps instead of being cut.
    HWND text = GetDlgItem(window_, IDC_PROGRESS_TEXT);
    HWND bar = GetDlgItem(window_, IDC_PROGRESS_BAR);
    if (text && bar) {
        RECT t = {}, b = {};
        GetWindowRect(text, &t);
        GetWindowRect(bar, &b);
        POINT corner = {t.left, t.top};
        ScreenToClient(window_, &corner);
        const int gap = (t.bottom - t.top) / 4;
        SetWindowPos(text, nullptr, corner.x, corner.y, b.right - b.left, b.top - gap - t.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetDlgItemTextA(window_, IDC_PROGRESS_TEXT, "");
    return 0;
}

bool ProgressPage::Activate(bool leaving) {
    if (!leaving) SendDlgItemMessageA(window_, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
    return true;
}

bool ProgressPage::RunConversion() {
    saved_ = false;
    save_error_.clear();
    save_failure_ = SaveFailure::kNone;
    cut_lines_.clear();
    WizardSettings* settings = Settings();
    if (!settings || !settings->Job || !settings->SelectedContacts) return false;
    ConversionJob& job = *settings->Job;
    ContactList<wab::SourceContact>& chosen = *settings->SelectedContacts;

    const int n = settings->SelectedCount;
    const DWORD interval = PacingInterval(n);
    HWND text = GetDlgItem(window_, IDC_PROGRESS_TEXT);
    HWND bar = GetDlgItem(window_, IDC_PROGRESS_BAR);
    int acc = 0;

    for (wab::SourceContact* contact = chosen.First(); contact; contact = chosen.Next()) {
        const DWORD t0 = GetTickCount();
        const std::string name = wab::ContactListName(*contact);
        const std::string email(contact->Text(wab::tag::kEmailAddress));
        char line[600];
        std::snprintf(line, sizeof line, "Converting %s ( %s ) ...", name.c_str(), email.c_str());
        SetWindowTextA(text, line);

        // A contact that cannot be converted or added does not stop the others.
        ContactRecord record;
        if (wab::ConvertSourceContact(contact, &record) && job.AddContact(&record)) {
            for (const wab::TextCut& cut : wab::CutTexts(*contact, record, job.LastEdits()))
                cut_lines_.push_back(CutLine(name, cut));
        }

        acc += 100;
        if (n > 0) SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(acc / n), 0);
        // No messages are processed during the run, so paint now or nobody sees it. The
        // look into the queue takes nothing out of it; some window systems (Wine) only
        // put what was painted on the screen when the queue is looked at.
        UpdateWindow(text);
        UpdateWindow(bar);
        MSG pending;
        PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE);

        const DWORD elapsed = GetTickCount() - t0;  // unsigned: right across the wrap
        if (elapsed < interval) Sleep(interval - elapsed);
    }

    saved_ = job.SaveTarget();
    save_failure_ = job.LastSaveFailure();
    if (!saved_ && save_failure_ == SaveFailure::kChangedOnDisk) {
        save_error_ = job.LastError();
    } else if (!saved_) {
        // A file another program holds (HotSync, say) or that became read-only is said as
        // the options page says it, once and plainly.
        const std::string path = job.LoadedLayout() == kLayoutClassic  ? job.ClassicFile().LoadedPath()
                                 : job.LoadedLayout() == kLayoutPalmSg ? job.PalmSgFile().LoadedPath()
                                                                       : std::string();
        int code = 0;
        const FileProblem problem = path.empty() ? FileProblem::kNone
                                                 : FindFileProblem(path, FileRole::kContactsFile, &code);
        save_error_ = problem == FileProblem::kNone || problem == FileProblem::kOther
                          ? job.LastError()
                          : FileProblemText(problem, FileRole::kContactsFile, path, code);
    }
    return saved_;
}

}  // namespace tarvenne
