// OptionsPage, the first page: source, target and options. Leaving it opens the target,
// loads the address book and marks every contact against the target.
#pragma once

#include "engine/contact_list.h"
#include "palminstall/palm_desktop_locator.h"
#include "ui/wizard/wizard_page.h"

#include <string>

namespace tarvenne {

class OptionsPage : public WizardPage {
public:
    explicit OptionsPage(WizardFrame* frame);
    ~OptionsPage() override;

    INT_PTR OnInitDialog(WPARAM p1, LPARAM p2) override;
    INT_PTR OnCommand(WPARAM p1, LPARAM p2) override;
    bool Activate(bool leaving) override;

    // The Palm Desktop users listed in the user box, in the box's order.
    const ContactList<PalmUserEntry>& Users() const { return users_; }

private:
    bool Enter();
    bool Leave();
    void SetSourceMode(bool specific_file);
    void SetTargetMode(bool by_file);
    // Runs the file-open dialog and puts the chosen path into edit_id; a cancelled dialog
    // changes nothing.
    void BrowseInto(int edit_id, const char* title, const char* filters);
    bool IsChecked(int id) const;
    // Why Next was refused, in an error box.
    void ShowError(const std::string& message);

    ContactList<PalmUserEntry> users_;  // owns its entries (freed by ListUsers and with the page)
};

}  // namespace tarvenne
