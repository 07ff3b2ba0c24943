// Banner painting and the run-time binding of the platform's gradient routine.
#include "ui/look/banner.h"

#include "ui/framework/os_version.h"
#include "ui/look/dpi.h"
#include "ui/look/fonts.h"

#include <cstring>

namespace tarvenne {
namespace {

using GradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// msimg32.dll is optional (absent on Windows 95): it is loaded on the first gradient
// and kept until the process ends.
struct GradientLibrary {
    int state;                      // -1 not probed, 0 unavailable, 1 available
    HMODULE module = nullptr;       // owned: freed at process exit
    GradientFillProc fill = nullptr;

    GradientLibrary() : state(OsVersionClass() < 1 ? 0 : -1) {}
    ~GradientLibrary() {
        if (module) FreeLibrary(module);
    }

    bool Available() {
        if (state == -1) {
            if (!module) module = LoadLibraryA("msimg32.dll");
            if (!module) {
                state = 0;
            } else {
                fill = reinterpret_cast<GradientFillProc>(
                    reinterpret_cast<void*>(GetProcAddress(module, "GradientFill")));
                state = fill ? 1 : 0;
            }
        }
        return state == 1;
    }
};

GradientLibrary g_gradient;

COLOR16 Channel(int byte) { return static_cast<COLOR16>(byte << 8); }

}  // namespace

bool GradientAvailable() { return g_gradient.Available(); }

bool FillGradient(HDC dc, const RECT* rect, COLORREF start, COLORREF end, bool horizontal) {
    if (!rect || IsRectEmpty(rect)) return false;
    if (start == end) {
        HBRUSH brush = CreateSolidBrush(start);
        FillRect(dc, rect, brush);
        DeleteObject(brush);
        return true;
    }
    if (!g_gradient.Available()) return false;

    TRIVERTEX vertices[2] = {};
    vertices[0].x = rect->left;
    vertices[0].y = rect->top;
    vertices[0].Red = Channel(GetRValue(start));
    vertices[0].Green = Channel(GetGValue(start));
    vertices[0].Blue = Channel(GetBValue(start));
    vertices[1].x = rect->right;
    vertices[1].y = rect->bottom;
    vertices[1].Red = Channel(GetRValue(end));
    vertices[1].Green = Channel(GetGValue(end));
    vertices[1].Blue = Channel(GetBValue(end));
    GRADIENT_RECT mesh = {0, 1};
    return g_gradient.fill(dc, vertices, 2, &mesh, 1,
                           horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V) != FALSE;
}

int BannerHeight() { return ScaleToDpi(kBannerHeight); }

bool PaintBanner(HWND window, HDC dc, const char* caption) {
    if (!IsWindow(window) || !dc || !caption || !*caption) return false;

    RECT client;
    GetClientRect(window, &client);
    RECT band = client;
    band.bottom = band.top + BannerHeight();
    // Every pixel is painted once: a band drawn over a freshly filled background flickers
    // at each page change.
    RECT below = client;
    below.top = band.bottom;
    FillRect(dc, &below, GetSysColorBrush(COLOR_BTNFACE));
    // Without the gradient routine the band keeps the button face; the texts still show.
    if (!FillGradient(dc, &band, RGB(255, 255, 255), RGB(192, 192, 255), true)) {
        FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
    }

    SetBkMode(dc, TRANSPARENT);
    static const char kTitle[] = "Outlook Express to Palm Desktop:";
    HGDIOBJ previous = SelectObject(dc, BoldFont());
    SetTextColor(dc, RGB(0, 0, 128));
    TextOutA(dc, ScaleToDpi(25), ScaleToDpi(15), kTitle, static_cast<int>(std::strlen(kTitle)));
    SelectObject(dc, NormalFont());
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, ScaleToDpi(40), ScaleToDpi(35), caption, static_cast<int>(std::strlen(caption)));
    SelectObject(dc, previous);
    return true;
}

}  // namespace tarvenne
