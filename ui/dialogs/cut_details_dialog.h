// CutDetailsDialog: the values of the run that reached the contacts file shorter than the
// address book holds them, or not at all, one line each in a box the user can select and
// copy from (and a Copy button that takes them all).
#pragma once

#include "ui/framework/dialog_window.h"

#include <string>
#include <vector>

namespace tarvenne {

class CutDetailsDialog : public DialogWindow {
public:
    explicit CutDetailsDialog(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    ~CutDetailsDialog() override = default;

    INT_PTR OnInitDialog(WPARAM p1, LPARAM p2) override;
    INT_PTR OnCommand(WPARAM p1, LPARAM p2) override;
    INT_PTR OnDrawItem(WPARAM p1, LPARAM p2) override;

    // Every line, each ended by a line break, as the box shows them and Copy copies them.
    std::string Text() const;

private:
    void CopyAll() const;
    std::vector<std::string> lines_;
};

}  // namespace tarvenne
