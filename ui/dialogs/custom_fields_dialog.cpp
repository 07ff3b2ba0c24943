// CustomFieldsDialog: nine drop-down lists of address-book properties, one per Palm
// Desktop custom field, written back to the mapping only on OK.
#include "ui/dialogs/custom_fields_dialog.h"

#include "palminstall/palm_desktop_locator.h"
#include "resources/resource_ids.h"
#include "ui/look/banner.h"
#include "ui/look/dpi.h"
#include "ui/look/owner_button.h"
#include "wab/property_table.h"

#include <algorithm>

namespace tarvenne {

bool CustomFieldsDialog::SetMapping(std::int32_t* mapping) {
    mapping_ = mapping;
    return true;
}

void CustomFieldsDialog::FillBox(int id, std::int32_t tag) {
    HWND box = GetDlgItem(window_, id);
    if (!box) return;
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    LRESULT index = SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("None"));
    SendMessageA(box, CB_SETITEMDATA, static_cast<WPARAM>(index), 0);

    LRESULT chosen = 0;
    const wab::PropertyRow* rows = wab::PropertyTable();
    for (std::size_t row = 0; row < wab::kPropertyCount; ++row) {
        index = SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rows[row].name));
        if (index == CB_ERR || index == CB_ERRSPACE) continue;
        SendMessageA(box, CB_SETITEMDATA, static_cast<WPARAM>(index),
                     static_cast<LPARAM>(rows[row].tag));
        if (rows[row].tag == static_cast<std::uint32_t>(tag)) chosen = index;
    }
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    FitDropDown(box);
}

void CustomFieldsDialog::FitDropDown(HWND box) {
    // The list that drops down is as wide as its longest name, though the box is narrower.
    HDC dc = GetDC(box);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
    int widest = 0;
    const int items = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < items; ++i) {
        char text[128] = {};
        if (SendMessageA(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= static_cast<LRESULT>(sizeof text)) continue;
        const int length = static_cast<int>(SendMessageA(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text)));
        SIZE size = {};
        if (length > 0 && GetTextExtentPoint32A(dc, text, length, &size)) widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    // The items' margins, the list's border and its scroll bar.
    const int width = widest + ScaleToDpi(8) + 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    RECT r = {};
    GetWindowRect(box, &r);
    SendMessageA(box, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(std::max<int>(width, r.right - r.left)), 0);
}

std::int32_t CustomFieldsDialog::ReadBox(int id) const {
    HWND box = GetDlgItem(window_, id);
    if (!box || !IsWindowEnabled(box)) return 0;
    const LRESULT selected = SendMessageA(box, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return 0;
    // Tags are 32-bit values kept in item data; the upper half of a 64-bit LPARAM is unused.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(
        SendMessageA(box, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0)));
}

INT_PTR CustomFieldsDialog::OnInitDialog(WPARAM, LPARAM) {
    if (!mapping_) return -1;
    for (int k = 0; k < 9; ++k) FillBox(IDC_CUSTOM_FIRST + k, mapping_[k]);
    // The classic layout has four custom fields; an unknown version (all ones) is not
    // below the threshold, so then all nine stay open.
    if (GetDesktopVersion() < DesktopVersionThreshold) {
        for (int id = IDC_CUSTOM_FIRST + 4; id <= IDC_CUSTOM_LAST; ++id) {
            EnableWindow(GetDlgItem(window_, id), FALSE);
        }
    }
    return 0;
}

INT_PTR CustomFieldsDialog::OnCommand(WPARAM p1, LPARAM) {
    switch (LOWORD(p1)) {
    case IDOK:
        if (mapping_) {
            for (int k = 0; k < 9; ++k) mapping_[k] = ReadBox(IDC_CUSTOM_FIRST + k);
        }
        EndDialog(window_, 1);
        return 1;
    case IDCANCEL:
        EndDialog(window_, 0);
        return 0;
    default:
        return 0;
    }
}

INT_PTR CustomFieldsDialog::OnEraseBackground(WPARAM p1, LPARAM) {
    PaintBanner(window_, reinterpret_cast<HDC>(p1), "Set Palm Desktop Custom Fields Mapping.");
    return 1;
}

INT_PTR CustomFieldsDialog::OnDrawItem(WPARAM, LPARAM p2) {
    return DrawOwnerButton(reinterpret_cast<const DRAWITEMSTRUCT*>(p2)) ? 1 : 0;
}

}  // namespace tarvenne
