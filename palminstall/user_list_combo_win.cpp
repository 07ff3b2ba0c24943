// The user list shown in a Windows combo box.
#include "palminstall/user_list_combo.h"

#include <windows.h>

namespace tarvenne {

void ComboBoxUserList::Reset() {
    SendMessageA(static_cast<HWND>(combo_), CB_RESETCONTENT, 0, 0);
}

void ComboBoxUserList::AddItem(const std::string& text, std::int32_t data) {
    const LRESULT index = SendMessageA(static_cast<HWND>(combo_), CB_ADDSTRING, 0,
                                       reinterpret_cast<LPARAM>(text.c_str()));
    if (index == CB_ERR || index == CB_ERRSPACE) return;
    SendMessageA(static_cast<HWND>(combo_), CB_SETITEMDATA, static_cast<WPARAM>(index),
                 static_cast<LPARAM>(data));
}

void ComboBoxUserList::Select(std::int32_t position) {
    SendMessageA(static_cast<HWND>(combo_), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

}  // namespace tarvenne
