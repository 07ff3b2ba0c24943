// The banner fonts.
#include "ui/look/fonts.h"

#include "ui/look/dpi.h"

namespace tarvenne {
namespace {
HFONT g_normal = nullptr;  // owned by this file: created at start, deleted at the end
HFONT g_bold = nullptr;    // owned likewise

HFONT MakeFont(int weight) {
    return CreateFontA(-ScaleToDpi(11), 0, 0, 0, weight, FALSE, FALSE, FALSE, 0, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Verdana");
}
}  // namespace

bool CreateBannerFonts() {
    DeleteBannerFonts();
    g_normal = MakeFont(FW_NORMAL);
    g_bold = MakeFont(FW_BOLD);
    return g_normal && g_bold;
}

void DeleteBannerFonts() {
    if (g_normal) DeleteObject(g_normal);
    if (g_bold) DeleteObject(g_bold);
    g_normal = g_bold = nullptr;
}

HFONT NormalFont() { return g_normal; }
HFONT BoldFont() { return g_bold; }

}  // namespace tarvenne
