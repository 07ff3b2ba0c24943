// The cached screen resolution.
#include "ui/look/dpi.h"

#include <windows.h>

namespace tarvenne {

int ScreenDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int ScaleToDpi(int pixels_at_96) { return MulDiv(pixels_at_96, ScreenDpi(), 96); }

}  // namespace tarvenne
