// RecordListPage: lists the address-book contacts against the target, lets the user
// choose which to convert and maps custom fields. The list keeps no rows of its own: it
// asks the page for each cell it shows, so ten thousand contacts show, filter and sort at
// once.
#include "ui/pages/record_list_page.h"

#include "engine/conversion_job.h"
#include "palminstall/palm_desktop_locator.h"
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
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

// The pointer shows that the program works while it lasts.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

std::uint32_t* CustomTags(const WizardSettings& settings, std::uint32_t (&tags)[9]) {
    for (int k = 0; k < 9; ++k) tags[k] = static_cast<std::uint32_t>(settings.Custom[k]);
    return tags;
}

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

    list_.Create(window_, &place, IDC_RECORD_LIST, LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_TABSTOP,
                 WS_EX_CLIENTEDGE);
    SendMessageA(list_.Window(), WM_SETFONT, SendMessageA(window_, WM_GETFONT, 0, 0), FALSE);
    // In the Tab order where the placeholder stands: after the filter box, before the buttons.
    SetWindowPos(list_.Window(), GetDlgItem(window_, IDC_LIST_PLACEHOLDER), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    list_.AddCheckBoxes();
    list_.AddFullRowSelect();
    list_.AskOwnerForCheckBoxes();
    list_.AddRowTips();
    list_.SetInputFilter([this](UINT message, WPARAM p1, LPARAM p2) { return FilterListInput(message, p1, p2); });
    int index = 0;
    for (const Column& column : kColumns) {
        list_.InsertColumn(index++, column.heading, ScaleToDpi(column.width));
    }
    return 0;
}

void RecordListPage::TakeMarking() {
    WizardSettings* settings = Settings();
    if (!settings || !settings->Loader) return;
    const std::size_t reset = choices_.Take(*settings->Loader);
    std::string note;
    if (reset == 1) note = "1 tick was reset: that contact compares differently now.";
    if (reset > 1) note = std::to_string(reset) + " ticks were reset: those contacts compare differently now.";
    SetDlgItemTextA(window_, IDC_TICKS_RESET, note.c_str());
    ShowRows();
    FitNameColumn();
}

void RecordListPage::ShowRows() {
    list_.SetRowCount(choices_.Rows());
    // The rows changed places: no selection would mean what the user selected.
    list_.SelectAll(false);
    if (choices_.Rows() > 0) list_.FocusRow(0, false);
    ShowTickedCount();
}

void RecordListPage::ShowTickedCount() {
    const std::size_t all = choices_.Count();
    const std::string text = std::to_string(choices_.TickedCount()) + " of " + std::to_string(all) +
                             (all == 1 ? " contact ticked" : " contacts ticked");
    SetDlgItemTextA(window_, IDC_TICKED_COUNT, text.c_str());
}

void RecordListPage::FitNameColumn() {
    WizardSettings* settings = Settings();
    if (!settings || !settings->Loader) return;
    HWND list = list_.Window();
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SIZE size = {};
    int widest = 0;
    // Every listed contact's name, shown or not, so that the column keeps its width through
    // the filter.
    for (std::size_t i = 0; i < choices_.Count(); ++i) {
        const wab::SourceContact* contact = choices_.ListedContact(*settings->Loader, i);
        const std::string name = contact ? ShownText(*contact, wab::tag::kDisplayName) : std::string();
        // No name this short can be the widest: measuring ten thousand names takes time.
        if (static_cast<long long>(name.size()) * metrics.tmMaxCharWidth <= widest) continue;
        if (GetTextExtentPoint32A(dc, name.data(), static_cast<int>(name.size()), &size)) widest = std::max<int>(widest, size.cx);
    }
    GetTextExtentPoint32A(dc, kColumns[0].heading, static_cast<int>(std::strlen(kColumns[0].heading)), &size);
    const int heading = size.cx;
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    // The list draws the check box, then the text with a margin either side.
    const int margins = ScaleToDpi(12);
    const int width = std::max(widest + list_.CheckBoxWidth() + margins, heading + margins + ScaleToDpi(12));
    list_.SetColumnWidth(0, std::min(width, list_.VisibleWidth()));
}

bool RecordListPage::Activate(bool leaving) {
    if (leaving) return Leave();
    TakeMarking();
    // The options page showed the wait cursor while it loaded.
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    return true;
}

bool RecordListPage::Leave() {
    WizardSettings* settings = Settings();
    if (!settings || !settings->SelectedContacts || !settings->Loader) return false;
    ContactList<wab::SourceContact>& chosen = *settings->SelectedContacts;
    chosen.Clear(true);
    // In the book's order, whatever order the list shows, and the ticked contacts the
    // filter hides too: a tick is the user's choice until they clear it.
    for (const std::uint32_t position : choices_.TickedContacts()) {
        const wab::SourceContact* contact = settings->Loader->Get(position);
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
    // Palm Desktop writes its own copy of the contacts back when it closes, which would undo
    // the conversion without a word: it must be closed first. HotSync is caught at the save.
    while (PalmDesktopIsRunning()) {
        if (MessageBoxA(window_, kPalmDesktopRunningMessage, "Error", MB_RETRYCANCEL | MB_ICONERROR) != IDRETRY)
            return false;
    }
    std::uint32_t tags[9];
    settings->Loader->SetCustomFieldMap(CustomTags(*settings, tags), 9);
    return true;
}

bool RecordListPage::MayQuit() {
    return MessageBoxA(window_, "Quit without converting?", "Outlook Express to Palm Desktop",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void RecordListPage::ToggleRow(int row) {
    if (row < 0 || row >= choices_.Rows()) return;
    choices_.SetTicked(row, !choices_.Ticked(row));
    list_.RedrawRows(row, row);
    ShowTickedCount();
}

void RecordListPage::ToggleSelected() {
    std::vector<int> rows = list_.SelectedRows();
    int focused = list_.FocusedRow();
    if (focused < 0 && !rows.empty()) focused = rows.front();
    if (focused < 0) return;
    const bool ticked = !choices_.Ticked(focused);
    rows.push_back(focused);
    for (int row : rows) choices_.SetTicked(row, ticked);
    const auto [first, last] = std::minmax_element(rows.begin(), rows.end());
    list_.RedrawRows(*first, *last);
    ShowTickedCount();
}

bool RecordListPage::FilterListInput(UINT message, WPARAM p1, LPARAM p2) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // The page keeps the ticks: a click on a check box is the page's, and only ticks.
        bool on_check_box = false;
        const int row = list_.RowAt({GET_X_LPARAM(p2), GET_Y_LPARAM(p2)}, &on_check_box);
        if (!on_check_box) return false;
        SetFocus(list_.Window());
        ToggleRow(row);
        return true;
    }
    case WM_KEYDOWN:
        if (p1 == VK_SPACE) {
            ToggleSelected();
            return true;
        }
        if (p1 == 'A' && GetKeyState(VK_CONTROL) < 0) {
            list_.SelectAll(true);
            return true;
        }
        return false;
    case WM_CHAR:
        return p1 == ' ';  // Space ticks; it is no search
    default:
        return false;
    }
}

void RecordListPage::SortByColumn(int column) {
    WizardSettings* settings = Settings();
    if (!settings || !settings->Loader || column < 0 || column >= kColumnCount) return;
    WaitCursor wait;
    const bool descending = column == sort_column_ && !choices_.SortDescending();
    const wab::SourceContact* focused = choices_.ContactOfRow(*settings->Loader, list_.FocusedRow());
    sort_column_ = column;
    choices_.SortBy(*settings->Loader, kColumns[column].tag, descending);
    list_.SetSortMark(column, descending ? -1 : 1);
    ShowRows();
    // The row the user was on stays the one they are on.
    for (int row = 0; focused && row < choices_.Rows(); ++row) {
        if (choices_.ContactOfRow(*settings->Loader, row) == focused) {
            list_.FocusRow(row, true);
            break;
        }
    }
}

void RecordListPage::MapCustomFields() {
    WizardSettings* settings = Settings();
    if (!settings) return;
    std::int32_t before[9];
    std::copy(std::begin(settings->Custom), std::end(settings->Custom), before);
    CustomFieldsDialog dialog;
    dialog.SetMapping(settings->Custom);
    dialog.RunModal(window_, ProgramInstance(), IDD_CUSTOM_FIELDS);
    if (!settings->Loader || !settings->Job || std::equal(std::begin(before), std::end(before), settings->Custom))
        return;
    // The marking compares the contacts as they would be written, custom fields included.
    WaitCursor wait;
    std::uint32_t tags[9];
    settings->Loader->SetCustomFieldMap(CustomTags(*settings, tags), 9);
    wab::MarkAgainstTarget(settings->Loader.get(), &settings->Job->TargetContacts());
    TakeMarking();
}

std::string RecordListPage::ChangesTip(const wab::SourceContact& contact) const {
    constexpr std::size_t kLines = 8;
    WizardSettings* settings = Settings();
    if (!settings || !settings->Job || contact.difference_status != wab::kChanged) return std::string();
    // The custom fields as the conversion will write them: the mapping of the dialog.
    std::uint32_t tags[9];
    wab::SetCustomFieldMap(CustomTags(*settings, tags), 9);
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

INT_PTR RecordListPage::AnswerDisplayRequest(NMHDR* header) {
    // The list asks in the form its parent speaks (ANSI here); both are answered.
    const bool wide = header->code == LVN_GETDISPINFOW;
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;  // the same layout either way
    WizardSettings* settings = Settings();
    const wab::SourceContact* contact =
        settings && settings->Loader ? choices_.ContactOfRow(*settings->Loader, item.iItem) : nullptr;
    if (item.mask & LVIF_STATE) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(choices_.Ticked(item.iItem) ? 2 : 1);
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        cell_.clear();
        if (contact && item.iSubItem >= 0 && item.iSubItem < kColumnCount)
            cell_ = ShownText(*contact, kColumns[item.iSubItem].tag);
        if (wide) {
            auto* text = reinterpret_cast<wchar_t*>(item.pszText);
            const int n = MultiByteToWideChar(CP_ACP, 0, cell_.data(), static_cast<int>(cell_.size()), text,
                                              item.cchTextMax - 1);
            text[std::max(n, 0)] = L'\0';
        } else {
            lstrcpynA(item.pszText, cell_.c_str(), item.cchTextMax);
        }
    }
    return 0;
}

int RecordListPage::FindRow(const std::string& typed, int start) const {
    // Typing a name's first letters goes to the next row whose name starts with them.
    WizardSettings* settings = Settings();
    const int rows = choices_.Rows();
    if (!settings || !settings->Loader || typed.empty() || rows == 0) return -1;
    for (int i = 0; i < rows; ++i) {
        const int row = (std::max(start, 0) + i) % rows;
        const wab::SourceContact* contact = choices_.ContactOfRow(*settings->Loader, row);
        const std::string name = contact ? ShownText(*contact, wab::tag::kDisplayName) : std::string();
        if (name.size() >= typed.size() &&
            CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.data(), static_cast<int>(typed.size()),
                           typed.data(), static_cast<int>(typed.size())) == CSTR_EQUAL)
            return row;
    }
    return -1;
}

INT_PTR RecordListPage::OnNotify(WPARAM, LPARAM p2) {
    auto* header = reinterpret_cast<NMHDR*>(p2);
    if (!header) return 0;
    if (header->hwndFrom == list_.TipWindow() && header->code == TTN_GETDISPINFOA) {
        auto* request = reinterpret_cast<NMTTDISPINFOA*>(p2);
        WizardSettings* settings = Settings();
        const wab::SourceContact* contact =
            settings && settings->Loader ? choices_.ContactOfRow(*settings->Loader, list_.TipRow()) : nullptr;
        // Kept until the tip asks again; an empty text shows no tip.
        tip_text_ = contact ? ChangesTip(*contact) : std::string();
        request->lpszText = &tip_text_[0];
        request->hinst = nullptr;
        return 0;
    }
    if (header->hwndFrom != list_.Window()) return 0;
    switch (header->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW:
        return AnswerDisplayRequest(header);
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW: {
        // Asked in either form, whatever the form the page speaks.
        const auto* find = reinterpret_cast<const NMLVFINDITEMA*>(p2);  // the same layout either way
        std::string typed;
        if ((find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find->lvfi.psz) {
            if (header->code == LVN_ODFINDITEMW) {
                char text[256] = {};
                if (WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(find->lvfi.psz), -1, text,
                                        sizeof text, nullptr, nullptr) > 0)
                    typed = text;
            } else {
                typed = find->lvfi.psz;
            }
        }
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, FindRow(typed, find->iStart));
        return 1;
    }
    case LVN_COLUMNCLICK:
        SortByColumn(reinterpret_cast<NMLISTVIEW*>(p2)->iSubItem);
        return 0;
    default:
        return 0;
    }
}

INT_PTR RecordListPage::OnCommand(WPARAM p1, LPARAM) {
    switch (LOWORD(p1)) {
    case IDC_SELECT_ALL:
    case IDC_CLEAR_ALL:
        choices_.SetAllShown(LOWORD(p1) == IDC_SELECT_ALL);
        list_.RedrawAll();
        ShowTickedCount();
        break;
    case IDC_CUSTOM_FIELDS_MAPPING:
        MapCustomFields();
        break;
    case IDC_DIFFERENT_ONLY: {
        WaitCursor wait;
        choices_.ShowDifferingOnly(IsDlgButtonChecked(window_, IDC_DIFFERENT_ONLY) == BST_CHECKED);
        ShowRows();
        break;
    }
    default:
        break;
    }
    return 0;
}

}  // namespace tarvenne
