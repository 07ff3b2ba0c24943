// Colour arithmetic of the owner-drawn look: colours shifted in lightness and
// saturation through byte-scaled hue, lightness and saturation.
#pragma once

#include <cstdint>

namespace tarvenne {

// A COLORREF value: red in the low byte, then green, then blue.
using ColorValue = std::uint32_t;

struct HlsBytes {
    int hue = 0;         // 0..255 for 0..360 degrees
    int lightness = 0;   // 0..255
    int saturation = 0;  // 0..255
};

HlsBytes ColorToHls(ColorValue color);
ColorValue HlsToColor(const HlsBytes& hls);

// x moved towards 255 by k percent of the distance (k > 0) or towards 0 (k < 0).
int ShiftByPercent(int x, int k);

// The colour with its lightness shifted by lightness_percent and its saturation by
// saturation_percent.
ColorValue AdjustColor(ColorValue color, int lightness_percent, int saturation_percent);

}  // namespace tarvenne
