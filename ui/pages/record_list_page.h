// RecordListPage, the second page: the loaded contacts with check boxes, new and changed
// ones ticked; leaving it keeps copies of the ticked contacts for the conversion.
#pragma once

#include "ui/framework/list_view_control.h"
#include "ui/wizard/wizard_page.h"

#include <string>

namespace tarvenne::wab {
class SourceContact;
}  // namespace tarvenne::wab

namespace tarvenne {

class RecordListPage : public WizardPage {
public:
    explicit RecordListPage(WizardFrame* frame);
    ~RecordListPage() override = default;

    INT_PTR OnInitDialog(WPARAM p1, LPARAM p2) override;
    INT_PTR OnCommand(WPARAM p1, LPARAM p2) override;
    INT_PTR OnNotify(WPARAM p1, LPARAM p2) override;
    bool Activate(bool leaving) override;

    ListViewControl& List() { return list_; }

private:
    // One row per loaded contact (only the differing ones when the filter box is ticked),
    // ticked by the default rule; the user's own ticks are dropped.
    void FillList();
    void CheckAll(bool checked);
    // What converting a changed contact would write, as its row's tip: the first lines,
    // then how many more. Empty for the other rows.
    std::string ChangesTip(const wab::SourceContact& contact) const;
    bool Leave();

    ListViewControl list_;  // its window is a child of the page and goes with it
    std::string tip_text_;  // the row tip's text while it shows
};

}  // namespace tarvenne
