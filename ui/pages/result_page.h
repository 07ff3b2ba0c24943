// ResultPage, the last page: what was converted into which contacts file (and where its
// backup is), whether the file was written and why not, the values not kept whole, and
// buttons that start the address-book program and Palm Desktop.
#pragma once

#include "ui/wizard/wizard_page.h"

#include <string>

namespace tarvenne {

class ProgressPage;

class ResultPage : public WizardPage {
public:
    explicit ResultPage(WizardFrame* frame);
    ~ResultPage() override = default;

    INT_PTR OnInitDialog(WPARAM p1, LPARAM p2) override;
    INT_PTR OnCommand(WPARAM p1, LPARAM p2) override;
    bool Activate(bool leaving) override;

private:
    void ShowOutcome(const std::string& contacts, int converted);
    const ProgressPage* Progress() const;
};

// The parameters handed to the address-book program: none for the current address book,
// the file otherwise, in quotes when its path holds a blank.
std::string AddressBookParameters(int data_mode, const std::string& wab_file);

}  // namespace tarvenne
