// The list view wrapper over the platform's "SysListView32" messages.
#include "ui/framework/list_view_control.h"

#include <commctrl.h>

namespace tarvenne {

HWND ListViewControl::Create(HWND parent, const RECT* rect, int control_id, DWORD style,
                             DWORD ex_style) {
    RECT r = {};
    if (rect) r = *rect;
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    window_ = CreateWindowExA(ex_style, WC_LISTVIEWA, "",
                              style | WS_CHILD | WS_VISIBLE | WS_BORDER, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)),
                              instance, nullptr);
    return window_;
}

LRESULT ListViewControl::AddExtendedStyle(DWORD style) {
    if (!window_) return 0;
    const LRESULT current = SendMessageA(window_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    return SendMessageA(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                        static_cast<LPARAM>(current) | style);
}

LRESULT ListViewControl::AddCheckBoxes() { return AddExtendedStyle(LVS_EX_CHECKBOXES); }
LRESULT ListViewControl::AddFullRowSelect() { return AddExtendedStyle(LVS_EX_FULLROWSELECT); }
bool ListViewControl::AddRowTips() {
    if (!window_ || tip_) return tip_ != nullptr;
    HWND parent = GetParent(window_);
    tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                           0, parent, nullptr, nullptr, nullptr);
    if (!tip_) return false;
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    // Lines of a tip break where they say, not where the tip runs out of room.
    SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, 4096);
    SendMessageA(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    return Watch();
}

bool ListViewControl::Watch() {
    if (!watching_ && window_)
        watching_ = SetWindowSubclass(window_, &ListViewControl::WatchPointer, 0, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    return watching_;
}

int ListViewControl::TipRow() const {
    POINT at = {};
    GetCursorPos(&at);
    ScreenToClient(window_, &at);
    LVHITTESTINFO hit = {};
    hit.pt = at;
    const int row = static_cast<int>(SendMessageA(window_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return hit.flags & LVHT_ONITEM ? row : -1;
}

LRESULT CALLBACK ListViewControl::WatchPointer(HWND window, UINT message, WPARAM p1, LPARAM p2, UINT_PTR,
                                               DWORD_PTR self) {
    auto* list = reinterpret_cast<ListViewControl*>(self);
    const bool input = (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
                       (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
    if (input && list->input_filter_ && list->input_filter_(message, p1, p2)) return 0;
    if (message == WM_MOUSEMOVE && list->tip_) {
        const int row = list->TipRow();
        if (row != list->tip_row_) {
            list->tip_row_ = row;
            SendMessageA(list->tip_, TTM_POP, 0, 0);  // shown again for the new row when the pointer rests
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &ListViewControl::WatchPointer, 0);
    }
    return DefSubclassProc(window, message, p1, p2);
}

bool ListViewControl::InsertColumn(int index, const char* text, int width) {
    if (!window_ || !text || !*text) return false;
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(text);
    if (index > 0) {
        column.mask |= LVCF_SUBITEM;
        column.iSubItem = index;
    }
    if (SendMessageA(window_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&column)) == -1) {
        return false;
    }
    ++column_count_;
    return true;
}

LRESULT ListViewControl::DeleteAll() { return SendMessageA(window_, LVM_DELETEALLITEMS, 0, 0); }

bool ListViewControl::InsertItem(int index, const char* text, int image, void* data) {
    if (!text || index < 0) return false;
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    if (image >= 0) {
        item.mask |= LVIF_IMAGE;
        item.iImage = image;
    }
    if (data) {
        item.mask |= LVIF_PARAM;
        item.lParam = reinterpret_cast<LPARAM>(data);
    }
    SendMessageA(window_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return true;
}

bool ListViewControl::SetSubItem(int index, int sub_item, const char* text, int image,
                                 void* data) {
    if (index < 0 || sub_item < 0) return false;
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.iSubItem = sub_item;
    item.pszText = const_cast<char*>(text ? text : "");
    if (image >= 0) {
        item.mask |= LVIF_IMAGE;
        item.iImage = image;
    }
    if (data) {
        item.mask |= LVIF_PARAM;
        item.lParam = reinterpret_cast<LPARAM>(data);
    }
    SendMessageA(window_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return true;
}

int ListViewControl::ItemCount() const {
    return static_cast<int>(SendMessageA(window_, LVM_GETITEMCOUNT, 0, 0));
}

LRESULT ListViewControl::SetChecked(int index, bool checked) {
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    return SendMessageA(window_, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&item));
}

bool ListViewControl::IsChecked(int index) const {
    const LRESULT state = SendMessageA(window_, LVM_GETITEMSTATE, static_cast<WPARAM>(index),
                                       LVIS_STATEIMAGEMASK);
    return ((static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) >> 12) != 1;
}

void* ListViewControl::ItemData(int index) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageA(window_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<void*>(item.lParam);
}

void ListViewControl::SetRowCount(int rows) {
    Watch();
    SendMessageA(window_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows > 0 ? rows : 0), 0);
    RedrawAll();
}

void ListViewControl::AskOwnerForCheckBoxes() {
    Watch();
    SendMessageA(window_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
}

void ListViewControl::RedrawRows(int first, int last) {
    if (first < 0 || last < first) return;
    SendMessageA(window_, LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
    UpdateWindow(window_);
}

void ListViewControl::RedrawAll() {
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
}

int ListViewControl::FocusedRow() const {
    return static_cast<int>(SendMessageA(window_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

std::vector<int> ListViewControl::SelectedRows() const {
    std::vector<int> rows;
    for (int row = -1;;) {
        row = static_cast<int>(SendMessageA(window_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
        if (row < 0) break;
        rows.push_back(row);
    }
    return rows;
}

void ListViewControl::SelectAll(bool selected) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(window_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void ListViewControl::FocusRow(int row, bool select) {
    if (row < 0 || row >= ItemCount()) return;
    if (select) SelectAll(false);
    LVITEMA item = {};
    item.stateMask = LVIS_FOCUSED | (select ? LVIS_SELECTED : 0);
    item.state = item.stateMask;
    SendMessageA(window_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageA(window_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

int ListViewControl::RowAt(POINT at, bool* on_check_box) const {
    LVHITTESTINFO hit = {};
    hit.pt = at;
    const int row = static_cast<int>(SendMessageA(window_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (on_check_box) *on_check_box = row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0;
    return hit.flags & LVHT_ONITEM ? row : -1;
}

void ListViewControl::SetSortMark(int column, int direction) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(window_, LVM_GETHEADER, 0, 0));
    if (!header) return;
    for (int i = 0; i < column_count_; ++i) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        if (!SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column && direction > 0) item.fmt |= HDF_SORTUP;
        if (i == column && direction < 0) item.fmt |= HDF_SORTDOWN;
        SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

int ListViewControl::ColumnWidth(int column) const {
    return static_cast<int>(SendMessageA(window_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

void ListViewControl::SetColumnWidth(int column, int width) {
    SendMessageA(window_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

int ListViewControl::VisibleWidth() const {
    RECT client = {};
    GetClientRect(window_, &client);
    // A list about to need its vertical scroll bar loses its width to it.
    const bool bar = (GetWindowLongA(window_, GWL_STYLE) & WS_VSCROLL) != 0;
    const int per_page = static_cast<int>(SendMessageA(window_, LVM_GETCOUNTPERPAGE, 0, 0));
    const int scroll = !bar && ItemCount() > per_page ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    return client.right - scroll;
}

int ListViewControl::CheckBoxWidth() const {
    HIMAGELIST states = reinterpret_cast<HIMAGELIST>(SendMessageA(window_, LVM_GETIMAGELIST, LVSIL_STATE, 0));
    int width = 16, height = 16;
    if (states) ImageList_GetIconSize(states, &width, &height);
    return width + GetSystemMetrics(SM_CXEDGE) * 2;
}

}  // namespace tarvenne
