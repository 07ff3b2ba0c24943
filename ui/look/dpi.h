// The screen's resolution, for everything the wizard draws in pixels: the program is
// declared aware of the system DPI, so Windows no longer stretches it and it must scale
// its own band, fonts, picture and button lines.
#pragma once

namespace tarvenne {

// Pixels per logical inch of the screen (96 at 100 %, 144 at 150 %), asked once.
int ScreenDpi();

// A length drawn as pixels_at_96 pixels at 100 %, at the screen's resolution.
int ScaleToDpi(int pixels_at_96);

}  // namespace tarvenne
