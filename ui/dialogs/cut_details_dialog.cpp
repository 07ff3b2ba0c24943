// The list of values not kept whole, and its copy to the clipboard.
#include "ui/dialogs/cut_details_dialog.h"

#include "resources/resource_ids.h"
#include "ui/look/owner_button.h"

#include <cstring>

namespace tarvenne {

std::string CutDetailsDialog::Text() const {
    std::string text;
    for (const std::string& line : lines_) text += line + "\r\n";
    return text;
}

INT_PTR CutDetailsDialog::OnInitDialog(WPARAM, LPARAM) {
    SetDlgItemTextA(window_, IDC_DETAILS_TEXT, Text().c_str());
    // The focus starts in the list, with nothing selected, ready to select or scroll.
    HWND box = GetDlgItem(window_, IDC_DETAILS_TEXT);
    SetFocus(box);
    SendMessageA(box, EM_SETSEL, 0, 0);
    return 0;
}

void CutDetailsDialog::CopyAll() const {
    const std::string text = Text();
    if (!OpenClipboard(window_)) return;
    EmptyClipboard();
    // The clipboard owns the block once it holds it; it is freed here only when refused.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (void* bytes = block ? GlobalLock(block) : nullptr) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    } else if (block) {
        GlobalFree(block);
    }
    CloseClipboard();
}

INT_PTR CutDetailsDialog::OnCommand(WPARAM p1, LPARAM) {
    switch (LOWORD(p1)) {
    case IDC_DETAILS_COPY:
        CopyAll();
        return 1;
    case IDOK:
    case IDCANCEL:
        EndDialog(window_, 0);
        return 1;
    default:
        return 0;
    }
}

INT_PTR CutDetailsDialog::OnDrawItem(WPARAM, LPARAM p2) {
    return DrawOwnerButton(reinterpret_cast<const DRAWITEMSTRUCT*>(p2)) ? 1 : 0;
}

}  // namespace tarvenne
