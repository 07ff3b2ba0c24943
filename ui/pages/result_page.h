// ResultPage, the last page: what was converted, whether the file was written, and
// buttons that start the address-book program and Palm Desktop.
#pragma once

#include "ui/wizard/wizard_page.h"

#include <string>

namespace tarvenne {

class ResultPage : public WizardPage {
public:
    explicit ResultPage(WizardFrame* frame);
    ~ResultPage() override = default;

    INT_PTR OnInitDialog(WPARAM p1, LPARAM p2) override;
    INT_PTR OnCommand(WPARAM p1, LPARAM p2) override;
    bool Activate(bool leaving) override;

    // The control that tells why the file was not written; hidden after a success.
    static constexpr int kReasonId = 1027;

private:
    void ShowOutcome();
    HWND reason_ = nullptr;  // not owned: a child of the page, destroyed with it
};

// The parameters handed to the address-book program: none for the current address book,
// the file otherwise, in quotes when its path holds a blank.
std::string AddressBookParameters(int data_mode, const std::string& wab_file);

}  // namespace tarvenne
