// The banner across the top of the frame and of the custom fields dialog: a white to
// light-blue band with the product's bold title and the current instruction.
#pragma once

#include <windows.h>

namespace tarvenne {

// Height in pixels of the gradient band at 96 DPI; BannerHeight() at the screen's.
constexpr int kBannerHeight = 65;
int BannerHeight();

// Paints the client area: the band with the title and caption, the button face below it.
// False (nothing painted) for a missing window, a null device context or an empty caption.
bool PaintBanner(HWND window, HDC dc, const char* caption);

// A two-colour gradient through msimg32's GradientFill, found at run time. False when the
// rectangle is null or empty, or when the routine is not available (nothing drawn).
bool FillGradient(HDC dc, const RECT* rect, COLORREF start, COLORREF end, bool horizontal);

// Whether GradientFill was found (probing on first call); for tests and diagnostics.
bool GradientAvailable();

}  // namespace tarvenne
