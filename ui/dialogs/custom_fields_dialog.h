// CustomFieldsDialog: maps address-book properties onto the nine Palm Desktop custom
// fields; only the first four exist in the classic layout.
#pragma once

#include "ui/framework/dialog_window.h"

#include <cstdint>

namespace tarvenne {

class CustomFieldsDialog : public DialogWindow {
public:
    CustomFieldsDialog() = default;
    ~CustomFieldsDialog() override = default;

    // The nine values edited (not owned); true.
    bool SetMapping(std::int32_t* mapping);

    INT_PTR OnInitDialog(WPARAM p1, LPARAM p2) override;
    INT_PTR OnCommand(WPARAM p1, LPARAM p2) override;
    INT_PTR OnEraseBackground(WPARAM p1, LPARAM p2) override;
    INT_PTR OnDrawItem(WPARAM p1, LPARAM p2) override;

private:
    // "None" and the property names, with the entry of tag selected ("None" when the tag
    // is not offered).
    void FillBox(int id, std::int32_t tag);
    static void FitDropDown(HWND box);
    // The tag chosen in an enabled box; 0 for a disabled or missing one.
    std::int32_t ReadBox(int id) const;

    std::int32_t* mapping_ = nullptr;  // not owned: WizardSettings.Custom, nine values
};

}  // namespace tarvenne
