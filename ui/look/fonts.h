// The two banner fonts of the program ("Verdana", 11 pixels at 96 DPI, scaled to the
// screen's, normal and bold), created at start and deleted at the end.
#pragma once

#include <windows.h>

namespace tarvenne {

bool CreateBannerFonts();
void DeleteBannerFonts();
HFONT NormalFont();  // null before CreateBannerFonts
HFONT BoldFont();

}  // namespace tarvenne
