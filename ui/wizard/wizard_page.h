// One page of the wizard: a child dialog with a one-line instruction for the banner and
// an Activate hook the frame calls when the page is entered and when it is left by Next.
#pragma once

#include "engine/bounded_text.h"
#include "ui/framework/dialog_window.h"

namespace tarvenne {

class WizardFrame;
struct WizardSettings;

class WizardPage : public DialogWindow {
public:
    WizardPage(WizardFrame* frame, const char* caption, int template_id);
    ~WizardPage() override = default;

    // Push buttons of every page are drawn in the program's style.
    INT_PTR OnDrawItem(WPARAM p1, LPARAM p2) override;

    // leaving false: the page becomes current (by Next, or page 0 at start).
    // leaving true: Next was pressed on it; false keeps the user on the page (the page
    // has told them why).
    virtual bool Activate(bool leaving) { return true; }
    // Cancel, Esc or the close box on this page: true lets the wizard end.
    virtual bool MayQuit() { return true; }

    const char* Caption() const { return Caption_.c_str(); }
    int TemplateId() const { return template_id_; }
    WizardFrame* Frame() const { return frame_; }
    WizardSettings* Settings() const;

protected:
    WizardFrame* frame_;  // not owned: the frame owns this page
    BoundedText<256> Caption_;
    int template_id_;
};

}  // namespace tarvenne
