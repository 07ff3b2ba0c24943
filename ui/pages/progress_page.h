// ProgressPage, the third page: converts the chosen contacts, visibly paced, and writes
// the target.
#pragma once

#include "ui/wizard/wizard_page.h"
#include "palmfile/dat_stream.h"
#include "wab/property_mapping.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvenne {

class ProgressPage : public WizardPage {
public:
    explicit ProgressPage(WizardFrame* frame);
    ~ProgressPage() override = default;

    INT_PTR OnInitDialog(WPARAM p1, LPARAM p2) override;
    bool Activate(bool leaving) override;

    // Converts SelectedContacts and saves the target; the save's result.
    virtual bool RunConversion();

    // What the last run did, for the result page: whether the file was written, and if
    // not, why (empty when the reason is not known). Nothing has run yet: not saved.
    bool Saved() const { return saved_; }
    const std::string& SaveError() const { return save_error_; }
    // Why the last save failed: another program changed the file meanwhile, or otherwise.
    SaveFailure LastSaveFailure() const { return save_failure_; }
    // The values of the contacts added or updated that reached the file shorter than
    // given or not at all, a line each: who, which value, how much of it was kept.
    const std::vector<std::string>& CutLines() const { return cut_lines_; }

private:
    bool saved_ = false;
    std::string save_error_;
    SaveFailure save_failure_ = SaveFailure::kNone;
    std::vector<std::string> cut_lines_;
};

// One line of the list of values not kept whole.
std::string CutLine(const std::string& name, const wab::TextCut& cut);

// How long each of n contacts takes at least, in milliseconds, so that any run is
// visible for about half a second; 0 from 501 contacts on.
unsigned PacingInterval(int count);

}  // namespace tarvenne
