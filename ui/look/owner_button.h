// Push buttons drawn flat, in shades of the system highlight colour.
#pragma once

#include <windows.h>

namespace tarvenne {

// Draws the button of a WM_DRAWITEM description; false for a null description.
bool DrawOwnerButton(const DRAWITEMSTRUCT* item);

// Whether a window is one of these buttons.
bool IsOwnerDrawnButton(HWND window);

// The longest button text drawn; longer texts are cut.
constexpr int kButtonTextMax = 30;

}  // namespace tarvenne
