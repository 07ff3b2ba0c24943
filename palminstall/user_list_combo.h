// The options page's user box as the user list's control: a Windows drop-down list.
#pragma once

#include "palminstall/palm_desktop_locator.h"

namespace tarvenne {

class ComboBoxUserList : public UserListControl {
public:
    // combo is the HWND of a combo box; not owned, it belongs to its dialog.
    explicit ComboBoxUserList(void* combo) : combo_(combo) {}
    void Reset() override;
    void AddItem(const std::string& text, std::int32_t data) override;
    void Select(std::int32_t position) override;

private:
    void* combo_;  // HWND, not owned
};

}  // namespace tarvenne
