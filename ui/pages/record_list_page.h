// RecordListPage, the second page: the loaded contacts with check boxes, new and changed
// ones ticked; the user's ticks stay through the filter, the sorting and a new marking;
// leaving it keeps copies of the ticked contacts for the conversion.
#pragma once

#include "ui/framework/list_view_control.h"

#include <commctrl.h>

#include "ui/pages/record_choices.h"
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
    // Asks first: the user's ticks would be lost.
    bool MayQuit() override;

    ListViewControl& List() { return list_; }

private:
    // The contacts as the last marking left them, the ticks kept where the marking did not
    // change, and the page telling how many it reset.
    void TakeMarking();
    // The list shows the rows the choices hold now.
    void ShowRows();
    void ShowTickedCount();
    void FitNameColumn();
    // Space: every selected row (and the focused one) takes the opposite of the focused
    // row's tick.
    void ToggleSelected();
    void ToggleRow(int row);
    bool FilterListInput(UINT message, WPARAM p1, LPARAM p2);
    void SortByColumn(int column);
    // The custom fields dialog; a changed mapping marks the contacts again.
    void MapCustomFields();
    // What converting a changed contact would write, as its row's tip: the first lines,
    // then how many more. Empty for the other rows.
    std::string ChangesTip(const wab::SourceContact& contact) const;
    INT_PTR AnswerDisplayRequest(NMHDR* header);
    // The first row from start on (round to the start) whose name begins with typed; -1 for none.
    int FindRow(const std::string& typed, int start) const;
    bool Leave();

    ListViewControl list_;  // its window is a child of the page and goes with it
    RecordChoices choices_;
    int sort_column_ = -1;  // -1: the book's order
    std::string tip_text_;  // the row tip's text while it shows
    std::string cell_;      // the text of the cell the list asked for last
};

}  // namespace tarvenne
