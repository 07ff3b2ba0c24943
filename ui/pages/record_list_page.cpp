// RecordListPage: lists the address-book contacts against the target, lets the user
// choose which to convert and maps custom fields.
#include "ui/pages/record_list_page.h"

#include "engine/conversion_job.h"
#include "resources/resource_ids.h"
#include "ui/dialogs/custom_fields_dialog.h"
#include "ui/framework/program_instance.h"
#include "ui/look/dpi.h"
#include "ui/wizard/wizard_settings.h"
#include "wab/property_mapping.h"
#include "wab/property_table.h"
#include "wab/source_contact.h"
#include "wab/wab_loader.h"

#include <commctrl.h>

#include <cstdint>
#include <new>
#include <string>

namespace tarvenne {

namespace {

struct Column {
    const char* heading;
    int width;             // pixels at 96 DPI
    std::uint32_t tag;     // the property shown
};

constexpr Column kColumns[] = {
    {"Name", 80, wab::tag::kDisplayName},
    {"Work Phone", 100, wab::tag::kBusinessPhone},
    {"E-Mail", 160, wab::tag::kEmailAddress},
    {"Home Phone", 100, wab::tag::kHomePhone},
    {"Mobile Phone", 100, wab::tag::kMobilePhone},
    {"Company", 120, wab::tag::kCompany},
    {"Title", 80, wab::tag::kTitle},
};

}  // namespace

RecordListPage::RecordListPage(WizardFrame* frame)
    : WizardPage(frame, "Please select the records you want to convert.", IDD_RECORD_LIST_PAGE) {}

INT_PTR RecordListPage::OnInitDialog(WPARAM, LPARAM) {
    // The template's list only marks the place; the page's own list view lies over it.
    RECT place = {};
    GetWindowRect(GetDlgItem(window_, IDC_LIST_PLACEHOLDER), &place);
    POINT corners[2] = {{place.left, place.top}, {place.right, place.bottom}};
    ScreenToClient(window_, &corners[0]);
    ScreenToClient(window_, &corners[1]);
    place = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};

    list_.Create(window_, &place, IDC_RECORD_LIST, LVS_REPORT | LVS_SINGLESEL | WS_TABSTOP,
                 WS_EX_CLIENTEDGE);
    // In the Tab order where the placeholder stands: after the filter box, before the buttons.
    SetWindowPos(list_.Window(), GetDlgItem(window_, IDC_LIST_PLACEHOLDER), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    list_.AddCheckBoxes();
    list_.AddFullRowSelect();
    list_.AddRowTips();
    int index = 0;
    for (const Column& column : kColumns) {
        list_.InsertColumn(index++, column.heading, ScaleToDpi(column.width));
    }
    return 0;
}

void RecordListPage::FillList() {
    list_.DeleteAll();
    WizardSettings* settings = Settings();
    if (!settings || !settings->Loader) return;
    const bool differing_only = IsDlgButtonChecked(window_, IDC_DIFFERENT_ONLY) == BST_CHECKED;

    int row = 0;
    wab::WabLoader& loader = *settings->Loader;
    for (wab::SourceContact* contact = loader.First(); contact; contact = loader.Next()) {
        const bool differs = contact->difference_status != wab::kUnchanged;
        if (!differs && differing_only) continue;
        const std::string name(contact->Text(wab::tag::kDisplayName));
        if (!list_.InsertItem(row, name.c_str(), -1, contact)) continue;
        for (int sub = 1; sub < static_cast<int>(std::size(kColumns)); ++sub) {
            const std::string value(contact->Text(kColumns[sub].tag));
            list_.SetSubItem(row, sub, value.c_str(), -1, nullptr);
        }
        list_.SetChecked(row, differs);
        ++row;
    }
}

void RecordListPage::CheckAll(bool checked) {
    const int rows = list_.ItemCount();
    for (int row = 0; row < rows; ++row) list_.SetChecked(row, checked);
}

bool RecordListPage::Activate(bool leaving) {
    if (leaving) return Leave();
    FillList();
    // The options page showed the wait cursor while it loaded.
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    return true;
}

bool RecordListPage::Leave() {
    WizardSettings* settings = Settings();
    if (!settings || !settings->SelectedContacts) return false;
    ContactList<wab::SourceContact>& chosen = *settings->SelectedContacts;
    chosen.Clear(true);

    const int rows = list_.ItemCount();
    for (int row = 0; row < rows; ++row) {
        if (!list_.IsChecked(row)) continue;
        const auto* contact = static_cast<const wab::SourceContact*>(list_.ItemData(row));
        if (!contact) continue;
        // The copy shares the loader's entry-id block; a copy that cannot be made is left out.
        auto* copy = new (std::nothrow) wab::SourceContact(*contact);
        if (copy) chosen.Append(copy);
    }
    settings->SelectedCount = static_cast<std::int32_t>(chosen.Count());
    if (settings->SelectedCount == 0) {
        MessageBoxA(window_, "No record is selected. ", "Error", MB_OK | MB_ICONERROR);
        return false;
    }

    std::uint32_t tags[9];
    for (int k = 0; k < 9; ++k) tags[k] = static_cast<std::uint32_t>(settings->Custom[k]);
    settings->Loader->SetCustomFieldMap(tags, 9);
    return true;
}

std::string RecordListPage::ChangesTip(const wab::SourceContact& contact) const {
    constexpr std::size_t kLines = 8;
    WizardSettings* settings = Settings();
    if (!settings || !settings->Job || contact.difference_status != wab::kChanged) return std::string();
    // The custom fields as the conversion will write them: the mapping of the dialog.
    std::uint32_t tags[9];
    for (int k = 0; k < 9; ++k) tags[k] = static_cast<std::uint32_t>(settings->Custom[k]);
    wab::SetCustomFieldMap(tags, 9);
    ContactRecord record;
    wab::ConvertSourceContact(&contact, &record);
    RecordEdits edits;
    settings->Job->ListEditsFor(record, &edits);
    std::string tip = "Converting changes:";
    std::size_t shown = 0, more = 0;
    for (const RecordEdit& e : edits.All()) {
        if (!e.Shown()) continue;
        if (shown++ < kLines) tip += "\r\n" + EditLine(e);
        else ++more;
    }
    if (more > 0) tip += "\r\nand " + std::to_string(more) + " more";
    return shown > 0 ? tip : std::string();
}

INT_PTR RecordListPage::OnNotify(WPARAM, LPARAM p2) {
    const auto* header = reinterpret_cast<const NMHDR*>(p2);
    if (!header || header->hwndFrom != list_.TipWindow() || header->code != TTN_GETDISPINFOA) return 0;
    auto* request = reinterpret_cast<NMTTDISPINFOA*>(p2);
    const int row = list_.TipRow();
    const auto* contact = row >= 0 ? static_cast<const wab::SourceContact*>(list_.ItemData(row)) : nullptr;
    // Kept until the tip asks again; an empty text shows no tip.
    tip_text_ = contact ? ChangesTip(*contact) : std::string();
    request->lpszText = &tip_text_[0];
    request->hinst = nullptr;
    return 0;
}

INT_PTR RecordListPage::OnCommand(WPARAM p1, LPARAM) {
    switch (LOWORD(p1)) {
    case IDC_SELECT_ALL:
        CheckAll(true);
        break;
    case IDC_CLEAR_ALL:
        CheckAll(false);
        break;
    case IDC_CUSTOM_FIELDS_MAPPING:
        if (WizardSettings* settings = Settings()) {
            CustomFieldsDialog dialog;
            dialog.SetMapping(settings->Custom);
            dialog.RunModal(window_, ProgramInstance(), IDD_CUSTOM_FIELDS);
        }
        break;
    case IDC_DIFFERENT_ONLY:
        FillList();
        break;
    default:
        break;
    }
    return 0;
}

}  // namespace tarvenne
