// The flat owner-drawn push button.
#include "ui/look/owner_button.h"

#include "ui/look/color.h"
#include "ui/look/dpi.h"

namespace tarvenne {

bool DrawOwnerButton(const DRAWITEMSTRUCT* item) {
    if (!item) return false;
    HDC dc = item->hDC;

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
