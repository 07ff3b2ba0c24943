// The base of the wizard's pages.
#include "ui/wizard/wizard_page.h"

#include "ui/look/owner_button.h"
#include "ui/wizard/wizard_frame.h"

namespace tarvenne {

WizardPage::WizardPage(WizardFrame* frame, const char* caption, int template_id)
    : DialogWindow(false), frame_(frame), Caption_(caption ? caption : ""),
      template_id_(template_id) {}

INT_PTR WizardPage::OnDrawItem(WPARAM, LPARAM p2) {
    return DrawOwnerButton(reinterpret_cast<const DRAWITEMSTRUCT*>(p2)) ? 1 : 0;
}

WizardSettings* WizardPage::Settings() const { return frame_ ? frame_->Settings() : nullptr; }

}  // namespace tarvenne
