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
    return SetWindowSubclass(window_, &ListViewControl::WatchPointer, 0, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
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
    if (message == WM_MOUSEMOVE) {
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

}  // namespace tarvenne
