// The flat owner-drawn push button.
#include "ui/look/owner_button.h"

#include "ui/look/color.h"
#include "ui/look/dpi.h"

namespace tarvenne {

bool IsOwnerDrawnButton(HWND window) {
    return window && (SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) &&
           (GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
}

namespace {

// The button of the window's dialog that Enter presses when the focus is on no button.
HWND DefaultButtonOf(HWND root) {
    const LRESULT id = SendMessageA(root, DM_GETDEFID, 0, 0);
    return HIWORD(id) == DC_HASDEFID ? GetDlgItem(root, LOWORD(id)) : nullptr;
}

}  // namespace

bool DrawOwnerButton(const DRAWITEMSTRUCT* item) {
    if (!item) return false;
    HDC dc = item->hDC;

    // As with Windows' own push buttons, the one Enter presses has the heavier border: the
    // focused button, else the dialog's default one. Another button drawn anew (as it takes
    // or loses the focus) has the default one drawn again, to hand that look on or take it back.
    HWND root = GetAncestor(item->hwndItem, GA_ROOT);
    HWND default_button = DefaultButtonOf(root);
    HWND focus = GetFocus();
    const bool focus_on_button = IsOwnerDrawnButton(focus) && GetAncestor(focus, GA_ROOT) == root;
    const bool looks_default = !(item->itemState & ODS_DISABLED) &&
                               ((item->itemState & ODS_FOCUS) || (item->hwndItem == default_button && !focus_on_button));
    if (default_button && default_button != item->hwndItem) InvalidateRect(default_button, nullptr, FALSE);

    COLORREF border, face, text;
    if (item->itemState & ODS_DISABLED) {
        border = GetSysColor(COLOR_BTNSHADOW);
        face = AdjustColor(GetSysColor(COLOR_BTNFACE), 15, 0);
        text = GetSysColor(COLOR_GRAYTEXT);
    } else if (item->itemState & ODS_SELECTED) {
        border = GetSysColor(COLOR_HIGHLIGHT);
        face = AdjustColor(GetSysColor(COLOR_HIGHLIGHT), 50, -50);
        text = RGB(240, 240, 240);
    } else {
        border = GetSysColor(COLOR_HIGHLIGHT);
        face = AdjustColor(GetSysColor(COLOR_HIGHLIGHT), 80, -66);
        text = GetSysColor(COLOR_BTNTEXT);
    }

    // The border and the focus inset grow with the screen's resolution, as the text does.
    HPEN pen = CreatePen(PS_SOLID, ScaleToDpi(1), border);
    HBRUSH brush = CreateSolidBrush(face);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, brush);

    RECT r = item->rcItem;
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    if (looks_default) {
        RECT inner = r;
        SetDCBrushColor(dc, border);
        for (int line = 0; line < ScaleToDpi(1); ++line) {
            InflateRect(&inner, -1, -1);
            FrameRect(dc, &inner, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        }
    }

    char label[kButtonTextMax + 1] = {};
    const int length = GetWindowTextA(item->hwndItem, label, sizeof label);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    DrawTextA(dc, label, length, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);

    if (item->itemState & ODS_FOCUS) {
        InflateRect(&r, -ScaleToDpi(2), -ScaleToDpi(2));
        DrawFocusRect(dc, &r);
    }

    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(pen);
    DeleteObject(brush);
    return true;
}

}  // namespace tarvenne
