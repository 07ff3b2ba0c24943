// The wizard's one main window: four pages shown one at a time under a painted banner,
// with Prev, Next and Cancel/Finish, and the settings all pages share.
#pragma once

#include "ui/framework/dialog_window.h"
#include "ui/wizard/wizard_settings.h"

#include <cstdint>
#include <memory>

namespace tarvenne {

class WizardPage;
class ProgressPage;

class WizardFrame : public DialogWindow {
public:
    static constexpr int kMaxPages = 5;

    WizardFrame();
    ~WizardFrame() override;

    INT_PTR OnInitDialog(WPARAM p1, LPARAM p2) override;
    INT_PTR OnCommand(WPARAM p1, LPARAM p2) override;
    INT_PTR OnEraseBackground(WPARAM p1, LPARAM p2) override;
    INT_PTR OnDestroy(WPARAM p1, LPARAM p2) override;
    INT_PTR OnDrawItem(WPARAM p1, LPARAM p2) override;

    WizardSettings* Settings() const { return settings_.get(); }
    void UpdateNavigation();
    void LoadSettings();
    void SaveSettings();

    std::int32_t Current() const { return current_; }
    std::uint32_t Count() const { return count_; }
    WizardPage* Page(int index) const;
    // Back to the options page, whose Next reads the contacts file and the book again.
    void StartAgain();

private:
    // Next as the user pressed it: refused while the button is greyed.
    INT_PTR Next();
    // The Next procedure: ask the current page, move on, and run straight through the
    // progress page.
    INT_PTR Advance();
    // The conversion (Prev, Next and Cancel are greyed on the progress page); the keys
    // and clicks that queued up meanwhile are dropped before anything reads them.
    void RunConversionBusy();
    void OpenHelp();
    void PlaceSidePicture();
    // Alt+letter (or the letter alone where the focus takes no typing) on the shown page:
    // the page's control with that mnemonic, before any frame button with the same one.
    bool HandlePageMnemonic(const MSG& message);
    // F1 anywhere in the wizard and its dialogs; Enter on one of its buttons.
    bool HandleKey(const MSG& message);
    static LRESULT CALLBACK PageMnemonicFilter(int code, WPARAM p1, LPARAM p2);

    std::unique_ptr<WizardPage> pages_[kMaxPages];  // owned; live as long as the frame
    ProgressPage* progress_ = nullptr;              // not owned: one of pages_
    std::int32_t current_ = 0;
    std::uint32_t count_ = 0;
    std::unique_ptr<WizardSettings> settings_;
    HICON icon_ = nullptr;            // owned: icon 101, destroyed with the frame
    HBITMAP side_picture_ = nullptr;  // owned: shown by the side picture control
    HHOOK mnemonic_filter_ = nullptr;  // owned: removed when the window goes
    // The frame whose pages the filter serves; one wizard per thread. Not owned.
    static WizardFrame* mnemonic_frame_;
};

}  // namespace tarvenne
